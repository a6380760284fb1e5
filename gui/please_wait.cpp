#include "gui/please_wait.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

namespace kelp {

PleaseWait::PleaseWait(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PleaseWait"));
    setWindowTitle(QStringLiteral("Saving Database"));
    setModal(false);
    auto* label = new QLabel(QStringLiteral("Please wait while your database is saved"), this);
    label->setObjectName(QStringLiteral("Label1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 24);
    layout->addWidget(label);
}

PleaseWaitIndicator::~PleaseWaitIndicator() {
    delete window_.data();
}

void PleaseWaitIndicator::show() {
    if (!window_)
        window_ = new PleaseWait(QApplication::activeWindow());
    window_->show();
    // The writer runs inside the click that started it: let the window paint first.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void PleaseWaitIndicator::hide() {
    if (window_)
        window_->hide();
}

}  // namespace kelp
