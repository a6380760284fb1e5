// The Update window ("Send To QZ740"): sends the database to the controller, completely or
// only the groups changed since they were last sent, over the serial line or as DTMF audio.
// The window only shows what the upload flows say and where their progress stands; what is
// sent, asked and reported is theirs.
#pragma once

#include <QDialog>
#include <functional>

#include "core/session/preferences.h"
#include "core/link/upload_engine.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace kelp {

class ControllerDatabase;

class Update : public QDialog {
    Q_OBJECT
  public:
    // Form_Load: the progress bar and its labels hidden, the geometry of [Update] restored.
    explicit Update(ControllerDatabase& database, QWidget* parent = nullptr);
    ~Update() override;

    // True while an upload started by this window runs.
    bool uploading() const { return uploading_; }
    const UploadProgress& progress() const { return progress_; }

    // The window's size and position in twips and its state, as [Update] keeps them.
    WindowPlacement placement() const;
    // Shows the window in the state [Update] remembered, modally, and returns when a button
    // or the close box has hidden it.
    int execAsRemembered();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;

  private:
    void Update_Click();
    void Complete_Click();
    void Interrupt_Click();
    void Close_Click();

    // Runs one upload flow with the transport of the current mode, the progress following it.
    int runUpload(
        const char* routine,
        const std::function<int(UploadTransport&, ControllerDatabase&, UploadProgress&)>& flow);
    void showProgress(bool visible);
    // What the controller holds against the open file, said before the operator starts.
    void refreshHeld();
    void refreshProgress();
    void restorePlacement();
    void savePlacement();
    void setUploading(bool uploading);

    ControllerDatabase& db_;
    UploadProgress progress_;
    bool uploading_ = false;
    int rememberedState_ = 0;

    QPushButton* update_ = nullptr;
    QPushButton* complete_ = nullptr;
    QPushButton* interrupt_ = nullptr;
    QPushButton* close_ = nullptr;
    QCheckBox* backup_ = nullptr;
    QCheckBox* backupAp_ = nullptr;
    QProgressBar* progressBar1_ = nullptr;
    QLabel* held_ = nullptr;
    QLabel* progressLabel_ = nullptr;
    QLabel* percentProgress_ = nullptr;
    QLabel* lblReset1_ = nullptr;
    QLabel* lblReset2_ = nullptr;
};

// The [Update] section of kelp.ini that holds the window's geometry.
extern const char* const kUpdateSection;  // "Update"

}  // namespace kelp
