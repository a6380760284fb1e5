#include "gui/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace kelp {

WindowPlacement placementOf(const QWidget& window) {
    const QRect r = (window.isMaximized() || window.isMinimized()) ? window.normalGeometry()
                                                                   : window.geometry();
    WindowPlacement p;
    p.left = r.x() * kTwipsPerPixel;
    p.top = r.y() * kTwipsPerPixel;
    p.width = r.width() * kTwipsPerPixel;
    p.height = r.height() * kTwipsPerPixel;
    p.state = static_cast<int>(window.isMinimized()   ? WindowState::Minimised
                               : window.isMaximized() ? WindowState::Maximised
                                                      : WindowState::Normal);
    return p;
}

QRect restoredRect(const WindowPlacement& p, QSize least) {
    QRect wanted(static_cast<int>(std::lround(p.left / kTwipsPerPixel)),
                 static_cast<int>(std::lround(p.top / kTwipsPerPixel)),
                 static_cast<int>(std::lround(p.width / kTwipsPerPixel)),
                 static_cast<int>(std::lround(p.height / kTwipsPerPixel)));
    wanted.setWidth(std::max(wanted.width(), least.width()));
    wanted.setHeight(std::max(wanted.height(), least.height()));
    const QScreen* screen = QGuiApplication::screenAt(wanted.center());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect area = screen->availableGeometry();
        wanted.setWidth(std::min(wanted.width(), area.width()));
        wanted.setHeight(std::min(wanted.height(), area.height()));
        if (!area.contains(wanted)) {
            wanted.moveLeft(
                std::clamp(wanted.left(), area.left(), area.right() - wanted.width() + 1));
            wanted.moveTop(
                std::clamp(wanted.top(), area.top(), area.bottom() - wanted.height() + 1));
        }
    }
    return wanted;
}

}  // namespace kelp
