// The voice object of scripts and other programs: speaking and spoken questions through the
// program's voice engine. Speech is not available on this system yet: Speak does nothing, Active
// is false, and every other member raises 1056 "Voice features are not currently available.".
#pragma once

#include <QObject>
#include <QString>

namespace teleon {

class Voice : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.marrick.Teleon.Voice")
    Q_CLASSINFO("Description", "LX-200 Voice Command and Response Object")
    Q_CLASSINFO("Doc:AgentChar", "Agent Character interface")
    Q_CLASSINFO("Doc:Active", "True if voice features are available")
    Q_CLASSINFO("Doc:Listening", "Open/ close the microphone for voice input")
    Q_CLASSINFO("Doc:Commands", "Agent Commands collection")
    Q_CLASSINFO("Doc:Ask", "Return voice input text, given 'voice' pattern, prompt message, and "
                           "help message")
    Q_CLASSINFO("Doc:AskYesNo", "Return true/false for a yes/no question by voice")
    Q_CLASSINFO("Doc:AskHMS", "Return Double value of voice input of hours/minutes/seconds")
    Q_CLASSINFO("Doc:AskDMS", "Return Double value of Voice input of degrees/minutes/seconds")
    Q_CLASSINFO("Doc:SpeakConstellation",
                "Speak the constellation name, given the 3-letter abbreviation (String)")
    Q_CLASSINFO("Doc:SpeakDegrees", "Speak a value as degrees/minutes/seconds")
    Q_CLASSINFO("Doc:SpeakHours", "Speak a value as hours/minutes/seconds")
    Q_CLASSINFO("Doc:AutoSpeakField", "True (default) for voice announcement of objects in the "
                                      "sope's view (FIELD)")

    Q_PROPERTY(QObject* AgentChar READ AgentChar)
    Q_PROPERTY(bool Active READ Active)
    Q_PROPERTY(bool Listening READ Listening WRITE setListening)
    Q_PROPERTY(QObject* Commands READ Commands)
    Q_PROPERTY(bool AutoSpeakField READ AutoSpeakField WRITE setAutoSpeakField)

public:
    explicit Voice(QObject* parent = nullptr) : QObject(parent) {}

    QObject* AgentChar() const;
    bool Active() const { return false; }
    bool Listening() const;
    void setListening(bool listening);
    QObject* Commands() const;
    bool AutoSpeakField() const;
    void setAutoSpeakField(bool on);

    Q_INVOKABLE QString Ask(const QString& Voice, const QString& prompt, const QString& help);
    Q_INVOKABLE bool AskYesNo(const QString& ques, const QString& help);
    Q_INVOKABLE double AskHMS(const QString& prompt, const QString& help);
    Q_INVOKABLE double AskDMS(const QString& prompt, const QString& help);
    Q_INVOKABLE void Speak(const QString& s);
    Q_INVOKABLE void SpeakConstellation(const QString& abr);
    Q_INVOKABLE void SpeakDegrees(double d);
    Q_INVOKABLE void SpeakHours(double h);
};

} // namespace teleon
