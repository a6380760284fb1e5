#include "gui/busy_follower.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>

#include "core/app/busy_state.h"

namespace kelp {

namespace {

QList<QPointer<QWidget>>& liveControls() {
    static QList<QPointer<QWidget>> controls;
    return controls;
}

bool isLive(const QWidget* widget) {
    for (const QPointer<QWidget>& live : liveControls())
        if (live == widget)
            return true;
    return false;
}

bool holdsLive(const QWidget* widget) {
    for (const QPointer<QWidget>& live : liveControls())
        if (live && widget->isAncestorOf(live))
            return true;
    return false;
}

}  // namespace

BusyFollower::BusyFollower(QWidget* window, bool holdClose)
    : QObject(window), window_(window), holdClose_(holdClose) {
    base_ = busyState().depth();
    token_ = busyState().subscribe([this](int depth) { follow(depth); });
    window_->installEventFilter(this);
}

BusyFollower::~BusyFollower() {
    busyState().unsubscribe(token_);
}

void BusyFollower::keepLive(const QList<QWidget*>& controls) {
    for (QWidget* control : controls) liveControls().append(control);
}

void BusyFollower::follow(int depth) {
    if (depth == 0)
        liveControls().clear();
    const bool hold = depth > base_;
    if (hold == held_)
        return;
    held_ = hold;
    if (hold)
        this->hold();
    else
        restore();
    emit busyChanged(hold);
}

void BusyFollower::hold() {
    // The actions first (menus, toolbar, shortcuts): a disabled action cannot be triggered,
    // not even by its key.
    for (QAction* action : window_->findChildren<QAction*>()) {
        if (!action->isEnabled())
            continue;
        // Windows of their own (a dialog owned by this one) follow by themselves; menus are
        // windows too, but theirs are this window's commands.
        if (const auto* owner = qobject_cast<const QWidget*>(action->parent());
            owner != nullptr && owner->window() != window_ &&
            qobject_cast<const QMenu*>(owner->window()) == nullptr)
            continue;
        action->setEnabled(false);
        disabledActions_.append(action);
    }
    for (QWidget* child : window_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        disableAround(child);
}

void BusyFollower::disableAround(QWidget* widget) {
    if (isLive(widget) || widget->isWindow())
        return;
    if (holdsLive(widget)) {
        for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            disableAround(child);
        return;
    }
    // A control disabled by its own window stays so, and is not enabled again afterwards.
    if (widget->testAttribute(Qt::WA_ForceDisabled))
        return;
    widget->setEnabled(false);
    disabledWidgets_.append(widget);
}

void BusyFollower::restore() {
    for (const QPointer<QAction>& action : disabledActions_)
        if (action)
            action->setEnabled(true);
    disabledActions_.clear();
    for (const QPointer<QWidget>& widget : disabledWidgets_)
        if (widget)
            widget->setEnabled(true);
    disabledWidgets_.clear();
}

bool BusyFollower::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_ || !holdClose_ || !held_)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::Close) {
        // The operation runs on in this window's hands; it closes when the operation is done.
        event->ignore();
        QApplication::beep();
        return true;
    }
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        QApplication::beep();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kelp
