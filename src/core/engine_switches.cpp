#include "core/engine_switches.h"

namespace engine_switches {

QString withProgramSwitches(const QString& userSwitches)
{
    if (userSwitches.isEmpty())
        return kProgramSwitches;
    return kProgramSwitches + QLatin1Char(' ') + userSwitches;
}

} // namespace engine_switches
