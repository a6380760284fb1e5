// The eleven editor windows by area: their captions, their tab captions, and how each is
// created. fShowForms and fUnloadForms walk these in their own orders.
#pragma once

#include <QString>
#include <array>

#include "core/database/controller_database.h"

class QWidget;

namespace kelp {

// The tab strip's captions, tab 0-10.
QString tabCaption(Area area);
// The editor window's own caption ("Timers", "ID Messages", ...).
QString windowCaption(Area area);
// A new editor window for the area, its working copy loaded from the database.
QWidget* createEditorWindow(Area area, QWidget* parent);

// The order fShowForms shows the windows in, and the order fUnloadForms unloads them in.
const std::array<Area, kAreaCount>& showOrder();
const std::array<Area, kAreaCount>& unloadOrder();

}  // namespace kelp
