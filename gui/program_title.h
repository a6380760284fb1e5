// The program's title (its product name) as the start-up and About windows show it.
#pragma once

#include <QString>

namespace kelp {

inline QString programTitle() {
    return QStringLiteral("Kelp");
}

}  // namespace kelp
