// Message boxes, input boxes, file dialogs and the busy cursor, behind one injectable service.
// The program installs the widget implementation; tests install ScriptedPrompts, which answers
// from a script and records every message.
#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

namespace teleon::platform {

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { OK, OKCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class MsgAnswer { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

struct FileDialogRequest {
    QString title;
    QString filter;     // "Scripts (*.js *.py);;All files (*)"
    QString initialDir; // empty: the last folder used
    bool save = false;
};

class Prompts {
public:
    virtual ~Prompts() = default;
    virtual MsgAnswer MsgBox(const QString& text, MsgIcon icon, MsgButtons buttons,
                             const QString& title) = 0;
    // nullopt when the user cancels.
    virtual std::optional<QString> InputBox(const QString& prompt, const QString& title,
                                            const QString& defaultText) = 0;
    // The chosen path, or "" when cancelled.
    virtual QString FileDialog(const FileDialogRequest& request) = 0;
    // The screen's mouse pointer: hourglass (true) or default (false).
    virtual void SetBusyCursor(bool busy) = 0;
};

// The program's one prompts service. Until one is installed a silent one answers: OK/Yes to
// every message and cancel to every input, so library code never dereferences nothing.
Prompts& prompts();
void setPrompts(Prompts* service); // nullptr restores the silent one

// Scripted fake for tests: records every message; answers from a queue (default OK, or the
// first button of the set).
class ScriptedPrompts : public Prompts {
public:
    struct Message {
        QString title;
        QString text;
        MsgIcon icon;
        MsgButtons buttons;
    };

    MsgAnswer MsgBox(const QString& text, MsgIcon icon, MsgButtons buttons,
                     const QString& title) override;
    std::optional<QString> InputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText) override;
    QString FileDialog(const FileDialogRequest& request) override;
    void SetBusyCursor(bool busy) override;

    std::deque<MsgAnswer> answers;             // consumed by MsgBox
    std::deque<std::optional<QString>> inputs; // consumed by InputBox
    std::deque<QString> files;                 // consumed by FileDialog
    std::vector<Message> messages;             // every message shown
    QStringList inputPrompts;                  // every input box's prompt
    std::vector<bool> cursorChanges;           // every SetBusyCursor call
    bool busy = false;
};

// How the program ends after a fatal failure (a broken configuration store). The default
// flushes and exits the process; tests install a handler that throws instead.
using EndProgramHandler = void (*)(int exitCode);
[[noreturn]] void EndProgram(int exitCode);
void setEndProgramHandler(EndProgramHandler handler); // nullptr restores the default

// Thrown by the handler that tests install.
struct ProgramEnded {
    int exitCode;
};
[[noreturn]] void throwProgramEnded(int exitCode);

} // namespace teleon::platform
