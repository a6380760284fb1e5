#include "gui/resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE may not be used inside a namespace.
static void registerIcons() {
    Q_INIT_RESOURCE(icons);
}

namespace kelp {

void initResources() {
    static const bool done = (registerIcons(), true);
    (void)done;
}

}  // namespace kelp
