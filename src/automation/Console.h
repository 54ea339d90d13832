// The script's console: lines written to the scripting window's output box, and questions asked
// in its input area. Obtained from the Console property of Util; each Util has its own.
#pragma once

#include <QObject>
#include <QString>

namespace teleon {

class Console : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.marrick.Teleon.Console")
    Q_CLASSINFO("Description", "LX-200 Scripting Console Object")
    Q_CLASSINFO("Doc:LastReadResult", "String result of the last Console.ReadLine()")
    Q_CLASSINFO("Doc:AskYesNo", "Ask a yes/no question, returns the answer")
    Q_CLASSINFO("Doc:PrintLine", "Write a line of text to the console output window")
    Q_CLASSINFO("Doc:Clear", "Erase the console output window")

    Q_PROPERTY(QString LastReadResult READ LastReadResult)

public:
    // Buttons
    static constexpr qint16 consOkCancel = 1, consYesNo = 2, consOkOnly = 3;
    // Answers
    static constexpr qint16 consYes = 10, consNo = 11, consOK = 12, consCancel = 13;

    explicit Console(QObject* parent = nullptr) : QObject(parent) {}

    QString LastReadResult() const { return lastReadResult_; }
    Q_INVOKABLE qint16 ReadLine(const QString& prompt, qint16 btn);
    Q_INVOKABLE bool AskYesNo(const QString& prompt);
    Q_INVOKABLE void PrintLine(const QString& str);
    Q_INVOKABLE void Clear();

    // The buttons and answers as script statements, the same in JavaScript and Python.
    static QString ConstantsCode();

private:
    QString lastReadResult_;
};

} // namespace teleon
