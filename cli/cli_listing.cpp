#include "cli/cli_listing.h"

#include "core/database/key_rules.h"

namespace kelp::cli {

namespace {

std::string areaName(int area) {
    if (area < 0)
        return "Version";
    return area < kAreaCount ? areaTabCaption(static_cast<Area>(area)) : "DVR Track Info";
}

}  // namespace

void printDifferences(std::ostream& out, const std::vector<SettingDifference>& differences,
                      bool tsv) {
    int shownArea = -2;
    for (const SettingDifference& d : differences) {
        if (tsv) {
            out << areaName(d.area) << '\t' << d.key << '\t' << d.a << '\t' << d.b << '\n';
            continue;
        }
        if (d.area != shownArea && d.area >= 0) {
            out << (shownArea == -2 ? "" : "\n") << "[" << areaName(d.area) << "]\n";
            shownArea = d.area;
        }
        out << d.where << " (" << d.key << "): '" << d.a << "' -> '" << d.b << "'\n";
    }
}

void StderrProgress::show(const std::string& caption, ProgressLabel label, bool barVisible,
                          int barMaximum) {
    maximum_ = barVisible ? barMaximum : 0;
    err_ << caption << ": " << progressLabelText(label) << '\n';
    err_.flush();
}

void StderrProgress::setValue(int value) {
    if (maximum_ >= 256 && value % 256 != 0)
        return;
    err_ << "  " << value << " / " << maximum_ << '\n';
    err_.flush();
}

}  // namespace kelp::cli
