// The automation error numbers: each n is reported as 0x80040000 + n with its description, and
// reaches a D-Bus client as the error org.marrick.Teleon.Error.<name>.
#pragma once

#include "link/AutomationError.h"
#include "link/Channel.h"
#include "platform/CallErrors.h"

#include <QString>

#include <exception>

class QObject;

namespace teleon {

enum ComError : int {
    SelectObjectError = 1024,
    IllegalSiteNameError = 1025,
    IllegalLatLongError = 1026,
    ValueOutOfRangeError = 1028,
    IllegalFilterQualityError = 1029,
    DayOfWeekError = 1041,
    UnknownLanguageError = 1042,
    VoiceUnavailableError = 1056,
    VoiceCancelledError = 1057,
    NotInitializedError = 1072,
    AlreadyInitializedError = 1073,
    BadButtonsError = 1088,
    ScriptReadError = 1089,
    ScriptError = 1090,
    NoScriptFileError = 1091,
    ScriptRunningError = 1092,
    NoScriptRunningError = 1093,
    SlewRefusedComError = 1120,
    LostLinkComError = 32767,
};

inline constexpr char ErrorNamePrefix[] = "org.marrick.Teleon.Error.";

// The readable name of n ("ValueOutOfRange" for 1028); "Failed" for a number not in the table.
QString ComErrorName(int n);
// The fixed description of n; empty for the numbers whose text is built by the raiser
// (1024, 1089, 1090, 1120).
QString ComErrorDescription(int n);
// Throws AutomationError n with its fixed description.
[[noreturn]] void RaiseComError(int n);

// The error as a host receives it, with the full D-Bus name.
platform::CallError ToCallError(const AutomationError& e);
platform::CallError LostLinkCallError();

// Runs the body of an automation member of `self`. An AutomationError, the lost link or any other
// failure is handed to the caller's host (platform::RaiseCallError) and the member returns the
// default value of its type; nothing is thrown out of the member.
template <typename F> auto Member(const QObject* self, F&& body) -> decltype(body()) {
    using R = decltype(body());
    try {
        return body();
    } catch (const AutomationError& e) {
        platform::RaiseCallError(self, ToCallError(e));
    } catch (const LostLinkError&) {
        platform::RaiseCallError(self, LostLinkCallError());
    } catch (const std::exception& e) {
        platform::RaiseCallError(
            self, {0, QString::fromLatin1(ErrorNamePrefix) + QStringLiteral("Failed"),
                   QString::fromLocal8Bit(e.what())});
    }
    if constexpr (!std::is_void_v<R>)
        return R{};
}

} // namespace teleon
