// The download progress window ("ProgressBar"): a caption naming the step, a bar, the one
// label of the four that says what is happening, and "&Escape", which asks the running
// download to stop. The download and the decoders drive it through DownloadProgress.
#pragma once

#include <QDialog>
#include <QPointer>
#include <array>

#include "core/download/download_progress.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace kelp {

class ProgressBar : public QDialog {
    Q_OBJECT
  public:
    explicit ProgressBar(QWidget* parent = nullptr);

    // The caption, the one visible label, and the bar (maximum, value 0) or no bar.
    void showStep(const std::string& caption, ProgressLabel label, bool barVisible, int barMaximum);
    void setBarValue(int value);

    QProgressBar* bar() const { return progressBar1_; }
    QPushButton* cancelButton() const { return cancel_; }
    QLabel* stepLabel(ProgressLabel label) const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void Cancel_Click();

    QProgressBar* progressBar1_ = nullptr;
    QPushButton* cancel_ = nullptr;
    std::array<QLabel*, 4> labels_{};
};

// What the download sees: shows a ProgressBar over the given window while a step runs and
// unloads it when the step ends.
class DownloadProgressWindow : public DownloadProgress {
  public:
    explicit DownloadProgressWindow(QWidget* owner) : owner_(owner) {}
    ~DownloadProgressWindow() override;
    DownloadProgressWindow(const DownloadProgressWindow&) = delete;
    DownloadProgressWindow& operator=(const DownloadProgressWindow&) = delete;

    void show(const std::string& caption, ProgressLabel label, bool barVisible,
              int barMaximum) override;
    void setValue(int value) override;
    void hide() override;

    // The window while a step shows it, else nullptr.
    ProgressBar* window() const { return window_; }

  private:
    QPointer<QWidget> owner_;
    QPointer<ProgressBar> window_;
};

}  // namespace kelp
