// Keeps a window out of the way of a running operation. While Kelp is busy (an upload, a
// download, the erase, a tone playing, ...) the window's actions and controls are disabled,
// all but the running operation's own (its Cancel, its Preview), and a close or an Escape is
// refused; when the operation ends everything it disabled comes back as it was.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QAction;
class QWidget;

namespace kelp {

class BusyFollower : public QObject {
    Q_OBJECT
  public:
    // window: the window to follow with; holdClose: refuse closing it and its Escape key
    // while busy (the main window asks instead, and so does not let the follower hold it).
    explicit BusyFollower(QWidget* window, bool holdClose = true);
    ~BusyFollower() override;

    // The controls the operation about to start listens to; they stay live while it runs.
    // Forgotten when the busy state ends.
    static void keepLive(const QList<QWidget*>& controls);

  signals:
    // After the window has followed the state.
    void busyChanged(bool busy);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void follow(int depth);
    // Disables the window's actions and controls around the live ones; restore() brings back
    // what was disabled here.
    void hold();
    void restore();
    void disableAround(QWidget* widget);

    QWidget* window_;
    bool holdClose_;
    int token_ = 0;
    // The depth the window was opened at: a window a running operation opens is that
    // operation's own and follows only what runs inside it.
    int base_ = 0;
    bool held_ = false;
    QList<QPointer<QWidget>> disabledWidgets_;
    QList<QPointer<QAction>> disabledActions_;
};

}  // namespace kelp
