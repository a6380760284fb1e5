// "Saving Database": shown by the database file writer while it works.
#pragma once

#include <QDialog>
#include <QPointer>

#include "core/database/dat_file.h"

namespace kelp {

class PleaseWait : public QDialog {
    Q_OBJECT
  public:
    explicit PleaseWait(QWidget* parent = nullptr);
};

// What the writer calls: shows a PleaseWait over the active window and takes it away again.
class PleaseWaitIndicator : public SaveIndicator {
  public:
    ~PleaseWaitIndicator() override;
    void show() override;
    void hide() override;

  private:
    QPointer<PleaseWait> window_;
};

}  // namespace kelp
