// QZ740, "History…": the snapshots a watch kept of the open file's controller, newest first,
// each with how many settings changed since the one before. The one chosen is shown against
// the open file, as "Compare with QZ740" shows the controller, or against the snapshot
// before it; "Open" loads it as a database. The unlock, lock and terminator codes are shown as
// "(hidden)" until "Show codes" is checked, which it is not when the window opens.
#pragma once

#include <QDialog>
#include <filesystem>
#include <optional>
#include <vector>

#include "core/database/controller_database.h"
#include "core/download/snapshot_history.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace kelp {

class HistoryWindow : public QDialog {
    Q_OBJECT
  public:
    HistoryWindow(const ControllerDatabase& file, std::vector<Snapshot> snapshots,
                  QWidget* parent = nullptr);

    // The snapshot "Open" was clicked for; empty when the window was closed.
    const std::filesystem::path& chosen() const { return chosen_; }

  private:
    void showSelected();

    const ControllerDatabase& file_;
    std::vector<Snapshot> snapshots_;
    std::vector<std::optional<SnapshotContents>> contents_;
    QListWidget* list_ = nullptr;
    QLabel* summary_ = nullptr;
    QRadioButton* fromFile_ = nullptr;
    QRadioButton* fromBefore_ = nullptr;
    QCheckBox* showCodes_ = nullptr;
    QTableWidget* table_ = nullptr;
    QPushButton* open_ = nullptr;
    std::filesystem::path chosen_;
};

}  // namespace kelp
