// The Qt adapters need an application object for their event loops; the platform suite
// makes one the first time a test asks.
#pragma once

#include <QCoreApplication>

namespace kelp {

inline void ensureApplication() {
    static int argc = 1;
    static char name[] = "kelp_platform_tests";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr)
        new QCoreApplication(argc, argv);
}

}  // namespace kelp
