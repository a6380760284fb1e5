#include "gui/transfer/download_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/download/download_state.h"
#include "gui/accessibility.h"

namespace kelp {

namespace {

constexpr std::array<ProgressLabel, 4> kLabels{
    ProgressLabel::DownloadingData, ProgressLabel::DecodeController, ProgressLabel::DecodeAutopatch,
    ProgressLabel::DecodingRtc};
constexpr std::array<const char*, 4> kLabelNames{"lblDownloading", "lblDecodeController",
                                                 "lblDecodeAP", "lblDecodingRTC"};

}  // namespace

ProgressBar::ProgressBar(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ProgressBar"));
    setWindowTitle(QString::fromLatin1(kProgressDesignCaption));
    // Shown without blocking the download that drives it, yet the rest of the program waits:
    // only "&Escape" and the download's own questions can be answered meanwhile.
    setWindowModality(Qt::ApplicationModal);

    auto* pleaseWait = new QLabel(QString::fromLatin1(kPleaseWaitText), this);
    pleaseWait->setObjectName(QStringLiteral("Label1"));
    QFont bold = pleaseWait->font();
    bold.setBold(true);
    pleaseWait->setFont(bold);
    pleaseWait->setAlignment(Qt::AlignCenter);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->setSpacing(10);
    layout->addWidget(pleaseWait);
    for (std::size_t i = 0; i < kLabels.size(); ++i) {
        auto* l = new QLabel(QString::fromLatin1(progressLabelText(kLabels[i])), this);
        l->setObjectName(QString::fromLatin1(kLabelNames[i]));
        l->setAlignment(Qt::AlignCenter);
        l->hide();
        layout->addWidget(l);
        labels_[i] = l;
    }
    progressBar1_ = new QProgressBar(this);
    progressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar1_->setTextVisible(false);
    progressBar1_->setMinimumWidth(340);
    QSizePolicy barPolicy = progressBar1_->sizePolicy();
    barPolicy.setRetainSizeWhenHidden(true);
    progressBar1_->setSizePolicy(barPolicy);
    layout->addWidget(progressBar1_);

    cancel_ = new QPushButton(QString::fromLatin1(kEscapeButtonText), this);
    cancel_->setObjectName(QStringLiteral("Cancel"));
    cancel_->setAutoDefault(false);
    connect(cancel_, &QPushButton::clicked, this, &ProgressBar::Cancel_Click);
    auto* buttonLine = new QHBoxLayout;
    buttonLine->addStretch(1);
    buttonLine->addWidget(cancel_);
    buttonLine->addStretch(1);
    layout->addLayout(buttonLine);
    nameUnnamedControls(this);
}

QLabel* ProgressBar::stepLabel(ProgressLabel label) const {
    for (std::size_t i = 0; i < kLabels.size(); ++i)
        if (kLabels[i] == label)
            return labels_[i];
    return nullptr;
}

void ProgressBar::showStep(const std::string& caption, ProgressLabel label, bool barVisible,
                           int barMaximum) {
    setWindowTitle(QString::fromStdString(caption));
    for (std::size_t i = 0; i < kLabels.size(); ++i) labels_[i]->setVisible(kLabels[i] == label);
    progressBar1_->setVisible(barVisible);
    progressBar1_->setRange(0, barVisible ? std::max(barMaximum, 1) : 1);
    progressBar1_->setValue(0);
}

void ProgressBar::setBarValue(int value) {
    progressBar1_->setValue(std::clamp(value, progressBar1_->minimum(), progressBar1_->maximum()));
}

void ProgressBar::Cancel_Click() {
    // The receive loop sees the flag on its next pass, tells the operator and ends the step.
    downloadState().DownloadCancel = true;
}

void ProgressBar::closeEvent(QCloseEvent* event) {
    // The window belongs to the download: closing it asks to cancel, the download unloads it.
    Cancel_Click();
    event->ignore();
}

void ProgressBar::reject() {
    // The Escape key does what "&Escape" does.
    Cancel_Click();
}

DownloadProgressWindow::~DownloadProgressWindow() {
    delete window_.data();
}

void DownloadProgressWindow::show(const std::string& caption, ProgressLabel label, bool barVisible,
                                  int barMaximum) {
    if (!window_)
        window_ = new ProgressBar(owner_.data());
    window_->showStep(caption, label, barVisible, barMaximum);
    window_->show();
    window_->raise();
}

void DownloadProgressWindow::setValue(int value) {
    if (window_)
        window_->setBarValue(value);
}

void DownloadProgressWindow::hide() {
    // Unloaded, not only hidden: the next step builds it afresh. Nothing of the window is on
    // the call stack here, as the download calls in from its own loop.
    delete window_.data();
}

}  // namespace kelp
