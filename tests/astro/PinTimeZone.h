// Pins the process's time zone before main() runs, so that the Qt application and every test in
// the binary see the same zone whatever the machine's own setting is.
#pragma once

#include <QtGlobal>

#define TELEON_PIN_TIME_ZONE(zone)                                                                 \
    namespace {                                                                                    \
    [[maybe_unused]] const bool kTimeZonePinned = [] { return qputenv("TZ", zone); }();            \
    }
