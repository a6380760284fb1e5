// What several kelp-cli commands print the same way: lists of setting differences and the
// download's progress.
#pragma once

#include <ostream>
#include <vector>

#include "cli/cli_command.h"
#include "core/database/setting_compare.h"
#include "core/download/download_progress.h"

namespace kelp::cli {

// One line per difference, grouped under "[area]" headings in tab order: "where (key): 'a'
// -> 'b'"; with tsv "area TAB key TAB a TAB b" instead. An area of -1 is the file's
// [Version] section.
void printDifferences(std::ostream& out, const std::vector<SettingDifference>& differences,
                      bool tsv);

// The download's progress window as lines on stderr.
class StderrProgress final : public DownloadProgress {
  public:
    explicit StderrProgress(std::ostream& err) : err_(err) {}
    void show(const std::string& caption, ProgressLabel label, bool barVisible,
              int barMaximum) override;
    void setValue(int value) override;
    void hide() override {}

  private:
    std::ostream& err_;
    int maximum_ = 0;
};

}  // namespace kelp::cli
