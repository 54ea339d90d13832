#include "automation/ComErrors.h"

namespace teleon {

namespace {

struct Entry {
    int n;
    const char* name;
    const char* description;
};

constexpr Entry Table[] = {
    {SelectObjectError, "SelectObjectFailed", ""},
    {IllegalSiteNameError, "IllegalSiteName", "Illegal site name ZZZ"},
    {IllegalLatLongError, "IllegalLatLong", "Illegal Lat or Long format"},
    {ValueOutOfRangeError, "ValueOutOfRange", "Value out of range"},
    {IllegalFilterQualityError, "IllegalFilterQuality", "Illegal filter quality string"},
    {DayOfWeekError, "DayOfWeekFailed", "Failed to find day of week from Julian date"},
    {UnknownLanguageError, "UnknownScriptLanguage", "Unknown language for Vantor script"},
    {VoiceUnavailableError, "VoiceUnavailable", "Voice features are not currently available."},
    {VoiceCancelledError, "VoiceInputCancelled", "Voice input was cancelled by the user."},
    {NotInitializedError, "NotInitialized", "Coordinate object has not been initialized."},
    {AlreadyInitializedError, "AlreadyInitialized",
     "Coordinate object has already been initialized."},
    {BadButtonsError, "BadButtons", "Bad buttons parameter in Console.ReadLine()"},
    {ScriptReadError, "ScriptReadError", ""},
    {ScriptError, "ScriptError", ""},
    {NoScriptFileError, "NoScriptFile", "No Vantor script file has been set"},
    {ScriptRunningError, "ScriptAlreadyRunning", "An Vantor script is already running"},
    {NoScriptRunningError, "NoScriptRunning", "No Vantor script is running"},
    {SlewRefusedComError, "SlewRefused", ""},
    {LostLinkComError, "LostCommunications", "Lost communications with telescope"},
};

const Entry* find(int n) {
    for (const Entry& e : Table)
        if (e.n == n)
            return &e;
    return nullptr;
}

} // namespace

QString ComErrorName(int n) {
    const Entry* e = find(n);
    return e ? QString::fromLatin1(e->name) : QStringLiteral("Failed");
}

QString ComErrorDescription(int n) {
    const Entry* e = find(n);
    return e ? QString::fromLatin1(e->description) : QString();
}

void RaiseComError(int n) {
    throw AutomationError(n, ComErrorDescription(n));
}

platform::CallError ToCallError(const AutomationError& e) {
    return {e.code(), QString::fromLatin1(ErrorNamePrefix) + ComErrorName(e.code()),
            e.description()};
}

platform::CallError LostLinkCallError() {
    return {LostLinkError::Number,
            QString::fromLatin1(ErrorNamePrefix) + ComErrorName(LostLinkComError),
            LostLinkError::description()};
}

} // namespace teleon
