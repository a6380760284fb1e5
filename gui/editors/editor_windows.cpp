#include "gui/editors/editor_windows.h"

#include "core/editors/editor_model.h"
#include "gui/editors/alarms.h"
#include "gui/editors/analog.h"
#include "gui/editors/courtesy.h"
#include "gui/editors/dtmf_settings.h"
#include "gui/editors/identification.h"
#include "gui/editors/macros.h"
#include "gui/editors/message_macros.h"
#include "gui/editors/placeholder_editor.h"
#include "gui/editors/port_switches.h"
#include "gui/editors/scheduler.h"
#include "gui/editors/special_codes.h"
#include "gui/editors/timers.h"

namespace kelp {

namespace {

// The window captions in tab order; the tab captions are the core's (areaCaption).
const std::array<const char*, kAreaCount> kWindowCaptions{{
    "Timers",
    "Courtesy Tones",
    "Macros",
    "Scheduler/Clock Configuration",
    "Analog Channels Configuration",
    "ID Messages",
    "Message Macros",
    "DTMF",
    "Alarms",
    "Special Codes",
    "Port Switches",
}};

}  // namespace

QString tabCaption(Area area) {
    return QString::fromStdString(areaCaption(area));
}

QString windowCaption(Area area) {
    return QString::fromLatin1(kWindowCaptions[static_cast<std::size_t>(area)]);
}

QWidget* createEditorWindow(Area area, QWidget* parent) {
    switch (area) {
        case Area::AlarmsRemoteBase:
            return new Alarms(parent);
        case Area::Analog:
            return new Analog(parent);
        case Area::Timers:
            return new Timers(parent);
        case Area::Courtesy:
            return new Courtesy(parent);
        case Area::Macros:
            return new Macros(parent);
        case Area::PortSwitches:
            return new PortSwitches(parent);
        case Area::Dtmf:
            return new DtmfSettings(parent);
        case Area::Identification:
            return new Identification(parent);
        case Area::MessageMacros:
            return new MessageMacros(parent);
        case Area::Scheduler:
            return new Scheduler(parent);
        case Area::SpecialCodes:
            return new SpecialCodes(parent);
        default:
            return new PlaceholderEditor(windowCaption(area), parent);
    }
}

const std::array<Area, kAreaCount>& showOrder() {
    static const std::array<Area, kAreaCount> order{
        Area::Analog,    Area::Identification, Area::AlarmsRemoteBase, Area::Macros,
        Area::Scheduler, Area::Courtesy,       Area::MessageMacros,    Area::Dtmf,
        Area::Timers,    Area::PortSwitches,   Area::SpecialCodes};
    return order;
}

const std::array<Area, kAreaCount>& unloadOrder() {
    static const std::array<Area, kAreaCount> order{Area::Analog,
                                                    Area::Identification,
                                                    Area::AlarmsRemoteBase,
                                                    Area::Timers,
                                                    Area::Macros,
                                                    Area::Scheduler,
                                                    Area::Courtesy,
                                                    Area::MessageMacros,
                                                    Area::PortSwitches,
                                                    Area::SpecialCodes,
                                                    Area::Dtmf};
    return order;
}

}  // namespace kelp
