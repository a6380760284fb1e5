// Shared pieces of the download tests: a fresh process database and a scripted prompter per
// test, images built from record values, and every key text of the database.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/app/prompter.h"
#include "core/app/scripted_prompter.h"
#include "core/database/controller_database.h"
#include "core/download/eram_layout.h"
#include "tests/core/app/temp_folder.h"

namespace kelp::testing {

class DownloadTest : public ::testing::Test {
  protected:
    DownloadTest() : prompterScope_(prompter_) { resetProcessDatabase(); }
    ~DownloadTest() override { resetProcessDatabase(); }

    ScriptedPrompter prompter_;
    TempFolder folder_;

  private:
    ScopedPrompter prompterScope_;
};

// kEramRecordCount values of "0" with some records replaced: {record, value}.
inline std::vector<std::string> recordValues(const std::map<int, std::string>& changes,
                                             int count = kEramRecordCount) {
    std::vector<std::string> values(static_cast<std::size_t>(count), "0");
    for (const auto& [record, value] : changes) values.at(static_cast<std::size_t>(record)) = value;
    return values;
}

// The image file text of record values, "address,value" lines ending in lineEnd.
inline std::string imageText(const std::vector<std::string>& values,
                             const std::string& lineEnd = "\r\n") {
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i)
        text += std::to_string(i) + "," + values[i] + lineEnd;
    return text;
}

// Every key text of the database at its largest size: "FanTime", "HangTime1(2)", "P3Tone8(10)".
inline std::vector<std::string> everyKeyText() {
    std::vector<std::string> texts;
    for (const KeyDescriptor& key : keyTable()) {
        if (key.shape == KeyShape::Single) {
            texts.push_back(keyText(key.name));
        } else if (key.shape == KeyShape::Indexed) {
            for (int i = 1; i <= key.count; ++i) texts.push_back(keyText(key.name, i));
        } else {
            for (int p = 1; p <= kCourtesyPorts; ++p) {
                for (int n = 1; n <= key.count; ++n)
                    texts.push_back(courtesyKeyText(key.name, p, n));
            }
        }
    }
    return texts;
}

}  // namespace kelp::testing
