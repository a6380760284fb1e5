// "Compare with QZ740": the settings the open database would run differently from what the
// controller holds, as a table (area, setting, in the file, in the controller), with the two
// ways on: upload the file's values, or open the controller's copy as a database.
#pragma once

#include <QDialog>
#include <vector>

#include "core/database/setting_compare.h"

class QString;
class QTableWidget;

namespace kelp {

// The table of differences this window shows, and the History window too: area, setting
// (its key as the tool tip) and the two values under their headers.
QTableWidget* differenceTable(QWidget* parent);
void showDifferences(QTableWidget* table, const std::vector<SettingDifference>& differences,
                     const QString& aHeader, const QString& bHeader);

class CompareWindow : public QDialog {
    Q_OBJECT
  public:
    enum class Choice { Close, UploadFileValues, OpenControllerCopy };

    CompareWindow(const std::vector<SettingDifference>& differences, QWidget* parent = nullptr);

    Choice choice() const { return choice_; }

  private:
    Choice choice_ = Choice::Close;
};

}  // namespace kelp
