#include "automation/Voice.h"

#include "automation/ComErrors.h"

namespace teleon {

namespace {
// Every member that needs the speaking character.
template <typename R = void> R unavailable(const QObject* self) {
    return Member(self, []() -> R { RaiseComError(VoiceUnavailableError); });
}
} // namespace

QObject* Voice::AgentChar() const {
    return unavailable<QObject*>(this);
}
bool Voice::Listening() const {
    return unavailable<bool>(this);
}
void Voice::setListening(bool) {
    unavailable(this);
}
QObject* Voice::Commands() const {
    return unavailable<QObject*>(this);
}
bool Voice::AutoSpeakField() const {
    return unavailable<bool>(this);
}
void Voice::setAutoSpeakField(bool) {
    unavailable(this);
}
QString Voice::Ask(const QString&, const QString&, const QString&) {
    return unavailable<QString>(this);
}
bool Voice::AskYesNo(const QString&, const QString&) {
    return unavailable<bool>(this);
}
double Voice::AskHMS(const QString&, const QString&) {
    return unavailable<double>(this);
}
double Voice::AskDMS(const QString&, const QString&) {
    return unavailable<double>(this);
}
void Voice::Speak(const QString&) {}
void Voice::SpeakConstellation(const QString&) {
    unavailable(this);
}
void Voice::SpeakDegrees(double) {
    unavailable(this);
}
void Voice::SpeakHours(double) {
    unavailable(this);
}

} // namespace teleon
