#include "voice/AgentCtrl.h"

namespace teleon {

void AgentCtrl::Speak(const QString& text) {
    emit spoke(text);
}
void AgentCtrl::SpeakField(const QString& objectName) {
    emit spoke(objectName);
}
void AgentCtrl::Show() {}
void AgentCtrl::Hide() {}

} // namespace teleon
