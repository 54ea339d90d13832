#include "console/ConsoleInit.h"

#include "console/Registry.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"

namespace teleon {

void InitSystem() {
    ScopeMoving = false;
    SetLongFormat(true);
    TrackFrequency = 60.1;
}

void SaveSystem() {
    PutConfig(QStringLiteral("General"), QStringLiteral("TimeFormat"), QString::number(TimeFormat));
}

} // namespace teleon
