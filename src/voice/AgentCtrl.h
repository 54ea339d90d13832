// The voice engine: a speaking character that answers and announces. Until speech is
// available on this machine the engine is inactive and every call is a quiet no-op.
#pragma once

#include <QObject>
#include <QString>

namespace teleon {

class AgentCtrl : public QObject {
    Q_OBJECT
public:
    explicit AgentCtrl(QObject* parent = nullptr) : QObject(parent) {}
    bool Active() const { return active_; }
    void Speak(const QString& text);
    void SpeakField(const QString& objectName);
    void Show();
    void Hide();
    // Puts back the built-in voice command table in place of whatever a script set.
    void InitCommands() {}

signals:
    void spoke(const QString& text); // every request, spoken or not (for the status line, tests)

private:
    bool active_ = false;
};

} // namespace teleon
