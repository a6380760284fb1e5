// A window's remembered geometry (kelp.ini keeps twips, 15 to a pixel) to and from the screen.
#pragma once

#include <QRect>
#include <QSize>

#include "core/session/preferences.h"

class QWidget;

namespace kelp {

// The window's normal geometry in twips and its state, as kelp.ini keeps them.
WindowPlacement placementOf(const QWidget& window);

// Where a remembered window goes: its pixels, at least `least` and at most the screen, and
// brought back onto a screen that can be reached when it was left on one that is gone.
QRect restoredRect(const WindowPlacement& placement, QSize least);

}  // namespace kelp
