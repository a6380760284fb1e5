#include "gui/transfer/update_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <functional>
#include <memory>
#include <optional>

#include "core/app/clock.h"
#include "core/app/error_reporter.h"
#include "core/session/sent_record.h"
#include "core/database/controller_database.h"
#include "core/download/controller_copy.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "core/link/serial_port.h"
#include "core/link/upload_flow.h"
#include "core/link/upload_transports.h"
#include "gui/accessibility.h"
#include "gui/window_placement.h"

namespace kelp {

const char* const kUpdateSection = "Update";

namespace {

const char* const kModule = "Update";

// Passes every wait of the upload on to the clock it wraps, first letting the window show
// where the upload stands: the waits are where the message loop turns, so the bar moves and
// "Interrupt" is heard while the controller is busy.
class ProgressClock : public Clock {
  public:
    ProgressClock(Clock& inner, std::function<void()> refresh)
        : inner_(inner), refresh_(std::move(refresh)) {}
    std::int64_t nowMs() override { return inner_.nowMs(); }
    void sleepMs(std::int64_t ms) override {
        refresh_();
        inner_.sleepMs(ms);
    }
    void yield() override {
        refresh_();
        inner_.yield();
    }
    std::chrono::system_clock::time_point wallClock() override { return inner_.wallClock(); }

  private:
    Clock& inner_;
    std::function<void()> refresh_;
};

std::unique_ptr<UploadTransport> transportOfCurrentMode() {
    if (linkPreferences().ComPort == 0)
        return std::make_unique<DtmfTransport>();
    return std::make_unique<SerialTransport>();
}

QLabel* label(const QString& name, const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    // Hidden labels keep their place, so the window does not jump when the progress shows.
    QSizePolicy policy = l->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    l->setSizePolicy(policy);
    return l;
}

QPushButton* button(const QString& name, const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setMinimumHeight(32);
    return b;
}

}  // namespace

Update::Update(ControllerDatabase& database, QWidget* parent) : QDialog(parent), db_(database) {
    setObjectName(QStringLiteral("Update"));
    setWindowTitle(QStringLiteral("Send To QZ740"));
    setModal(true);

    update_ = button(QStringLiteral("Update"), QStringLiteral("&Update Changes Only"), this);
    complete_ = button(QStringLiteral("Complete"), QStringLiteral("&Send Complete Config"), this);
    interrupt_ = button(QStringLiteral("Interrupt"), QStringLiteral("&Interrupt Upload"), this);
    close_ = button(QStringLiteral("Close"), QStringLiteral("&Close"), this);
    connect(update_, &QPushButton::clicked, this, &Update::Update_Click);
    connect(complete_, &QPushButton::clicked, this, &Update::Complete_Click);
    connect(interrupt_, &QPushButton::clicked, this, &Update::Interrupt_Click);
    connect(close_, &QPushButton::clicked, this, &Update::Close_Click);

    backup_ = new QCheckBox(QStringLiteral("&Back up the controller first"), this);
    backup_->setObjectName(QStringLiteral("chkBackup"));
    backup_->setChecked(true);
    backup_->setToolTip(QStringLiteral(
        "Before a complete upload over the cable, download the controller's memory into a "
        "Backup_ database file in the application folder"));
    backupAp_ = new QCheckBox(QStringLiteral("with the autopatch board (AP1)"), this);
    backupAp_->setObjectName(QStringLiteral("chkBackupAp"));
    connect(backup_, &QCheckBox::toggled, backupAp_, &QWidget::setEnabled);
    held_ = label(QStringLiteral("ControllerHolds"), QString(), this);
    held_->setWordWrap(true);
    progressLabel_ =
        label(QStringLiteral("ProgressLabel"), QStringLiteral("Upload Progress"), this);
    progressBar1_ = new QProgressBar(this);
    progressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar1_->setTextVisible(false);
    QSizePolicy barPolicy = progressBar1_->sizePolicy();
    barPolicy.setRetainSizeWhenHidden(true);
    progressBar1_->setSizePolicy(barPolicy);
    percentProgress_ = label(QStringLiteral("PercentProgress"), QString(), this);
    percentProgress_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblReset1_ = label(QStringLiteral("lblReset1"), QStringLiteral("Controller Resetting"), this);
    lblReset2_ = label(QStringLiteral("lblReset2"), QStringLiteral("Please Wait"), this);
    QFont resetFont = lblReset1_->font();
    resetFont.setBold(true);
    lblReset1_->setFont(resetFont);
    lblReset2_->setFont(resetFont);
    for (QLabel* l : {lblReset1_, lblReset2_}) l->setAlignment(Qt::AlignCenter);

    auto* buttons = new QGridLayout;
    buttons->setHorizontalSpacing(12);
    buttons->setVerticalSpacing(8);
    buttons->addWidget(update_, 0, 0);
    buttons->addWidget(complete_, 0, 1);
    buttons->addWidget(interrupt_, 1, 0);
    buttons->addWidget(close_, 1, 1);

    // The progress has its own panel, so the window looks the same whether it is showing
    // or not.
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("ProgressPanel"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    for (QWidget* w : std::initializer_list<QWidget*>{progressLabel_, progressBar1_,
                                                      percentProgress_, lblReset1_, lblReset2_})
        w->setParent(panel);
    auto* progressLine = new QHBoxLayout;
    progressLine->addWidget(progressLabel_);
    progressLine->addStretch(1);
    progressLine->addWidget(percentProgress_);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(12, 10, 12, 10);
    panelLayout->setSpacing(6);
    panelLayout->addLayout(progressLine);
    panelLayout->addWidget(progressBar1_);
    panelLayout->addWidget(lblReset1_);
    panelLayout->addWidget(lblReset2_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(12);
    layout->addWidget(held_);
    layout->addLayout(buttons);
    auto* backupLine = new QHBoxLayout;
    backupLine->addWidget(backup_);
    backupLine->addWidget(backupAp_);
    backupLine->addStretch(1);
    layout->addLayout(backupLine);
    layout->addWidget(panel);
    layout->addStretch(1);

    // A backup needs the cable: over the air there is nothing to download.
    const bool serial = linkPreferences().ComPort != 0;
    backup_->setVisible(serial);
    backupAp_->setVisible(serial);
    showProgress(false);
    lblReset1_->hide();
    lblReset2_->hide();
    refreshProgress();
    resize(sizeHint().expandedTo(QSize(460, 0)));
    restorePlacement();
    nameUnnamedControls(this);
}

Update::~Update() = default;

void Update::showEvent(QShowEvent* event) {
    refreshHeld();
    QDialog::showEvent(event);
}

void Update::refreshHeld() {
    std::optional<int> differing;
    try {
        differing = settingsDifferingFromRecord(db_);
    } catch (...) {
        reportError(kModule, "refreshHeld");
    }
    if (!differing)
        held_->setText(
            QStringLiteral("No record yet of what the QZ740 holds for this file: "
                           "Update Changes Only sends the changes applied since it "
                           "was opened."));
    else if (*differing == 0)
        held_->setText(
            QStringLiteral("The QZ740 holds every setting of this file as it was "
                           "last sent."));
    else
        held_->setText(*differing == 1
                           ? QStringLiteral("1 setting differs from what the QZ740 holds: "
                                            "Update Changes Only sends it.")
                           : QStringLiteral("%1 settings differ from what the QZ740 holds: "
                                            "Update Changes Only sends them.")
                                 .arg(*differing));
}

void Update::showProgress(bool visible) {
    progressLabel_->setVisible(visible);
    progressBar1_->setVisible(visible);
    percentProgress_->setVisible(visible);
}

void Update::refreshProgress() {
    if (progressBar1_->maximum() != progress_.maximum())
        progressBar1_->setMaximum(progress_.maximum());
    if (progressBar1_->value() != progress_.value())
        progressBar1_->setValue(progress_.value());
    const QString percent = QString::fromStdString(progress_.percentText());
    if (percentProgress_->text() != percent)
        percentProgress_->setText(percent);
}

void Update::setUploading(bool uploading) {
    uploading_ = uploading;
    // One upload at a time: the waits turn the message loop, and a second click would start
    // another upload inside the first.
    update_->setEnabled(!uploading);
    complete_->setEnabled(!uploading);
    backup_->setEnabled(!uploading);
    backupAp_->setEnabled(!uploading && backup_->isChecked());
}

int Update::runUpload(
    const char* routine,
    const std::function<int(UploadTransport&, ControllerDatabase&, UploadProgress&)>& flow) {
    int result = 8;
    setUploading(true);
    try {
        ProgressClock clock(currentClock(), [this] { refreshProgress(); });
        ScopedClock useClock(clock);
        const std::unique_ptr<UploadTransport> transport = transportOfCurrentMode();
        result = flow(*transport, db_, progress_);
    } catch (...) {
        reportError(kModule, routine);
    }
    setUploading(false);
    refreshProgress();
    return result;
}

void Update::Complete_Click() {
    showProgress(true);
    progress_.start(UploadProgress::totalSteps(db_.hasRtc));
    refreshProgress();
    // Serial mode: the controller is backed up first, once the operator has confirmed; a
    // backup that fails stops the upload before its first command.
    const bool backUp = linkPreferences().ComPort != 0 && backup_->isChecked();
    const bool ap = backupAp_->isChecked();
    const int result = runUpload(
        "Complete_Click",
        [this, backUp, ap](UploadTransport& t, ControllerDatabase& d, UploadProgress& p) {
            if (!backUp)
                return sendCompleteConfig(t, d, p);
            return sendCompleteConfig(t, d, p, [this, &d, ap] {
                std::filesystem::path written;
                if (!backUpBeforeUpload(d, ap, written))
                    return false;
                held_->setText(QStringLiteral("The controller was backed up into %1.")
                                   .arg(QString::fromStdString(written.filename().string())));
                return true;
            });
        });
    if (result == 0) {
        // The controller is resetting now; the bar has nothing more to say.
        progress_.clear();
        refreshProgress();
        showProgress(false);
        try {
            if (linkPreferences().ComPort != 0 && currentSerialPort().isOpen())
                currentSerialPort().close();
        } catch (...) {
            reportError(kModule, "Complete_Click", "Port Close");
        }
    }
    hide();
}

void Update::Update_Click() {
    showProgress(false);
    progress_.start(0);
    refreshProgress();
    runUpload("Update_Click", &updateChangesOnly);
    hide();
}

void Update::Interrupt_Click() {
    try {
        if (!confirmInterrupt())
            return;
    } catch (...) {
        reportError(kModule, "Interrupt_Click");
    }
    hide();
    progress_.clear();
    refreshProgress();
}

void Update::Close_Click() {
    // Closing while the controller is still being sent to is one more way of stopping the
    // upload: it asks what Interrupt asks, and No lets the upload go on. Yes stops it after the
    // command in progress; the port stays with the upload until it has finished, so no
    // command is counted as sent that never left the computer.
    if (uploading_) {
        Interrupt_Click();
        return;
    }
    hide();
    try {
        UpdateInterrupted() = false;
        if (!linkState().PortOpenError)
            savePlacement();
        if (currentSerialPort().isOpen())
            currentSerialPort().close();
    } catch (...) {
        reportError(kModule, "Close_Click");
    }
}

void Update::closeEvent(QCloseEvent* event) {
    // The close box is the Close button; during an upload the window stays until it is
    // answered Yes.
    if (uploading_) {
        event->ignore();
        Close_Click();
        return;
    }
    if (isVisible())
        Close_Click();
    event->accept();
}

void Update::reject() {
    // The Escape key is the Close button too.
    const bool wasUploading = uploading_;
    Close_Click();
    if (!wasUploading)
        QDialog::reject();
}

WindowPlacement Update::placement() const {
    return placementOf(*this);
}

void Update::restorePlacement() {
    // A first opening centres the window over the main window.
    if (QWidget* owner = parentWidget()) {
        QRect centred(QPoint(0, 0), size());
        centred.moveCenter(owner->geometry().center());
        move(centred.topLeft());
    }
    const std::string file = preferencesFile().string();
    try {
        const auto remembered = Preferences(file).readWindowPlacement(kUpdateSection);
        if (!remembered)
            return;
        setGeometry(restoredRect(*remembered, minimumSizeHint()));
        rememberedState_ = remembered->state;
    } catch (...) {
        reportError(kModule, "Form_Load", "restore window geometry", file);
    }
}

void Update::savePlacement() {
    const std::string file = preferencesFile().string();
    try {
        Preferences(file).writeWindowPlacement(kUpdateSection, placement());
    } catch (...) {
        reportError(kModule, "Close_Click", "save window geometry", file);
    }
}

int Update::execAsRemembered() {
    // A minimised modal window would leave the operator with nothing to click: it opens
    // normal, and maximised only when it was left so.
    if (static_cast<WindowState>(rememberedState_) == WindowState::Maximised)
        setWindowState(windowState() | Qt::WindowMaximized);
    return exec();
}

}  // namespace kelp
