// What the script members of Util and the Console object ask of the scripting window. The window
// lives with the widgets; it installs a loader here, and each use loads it when it is not yet
// loaded (it stays hidden until shown).
#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

namespace teleon {

class ScriptHost {
public:
    virtual ~ScriptHost() = default;

    virtual bool ScriptRunning() const = 0;
    virtual QString ScriptLanguage() const = 0;
    // Raises 1042 for a language the window does not offer.
    virtual void SetScriptLanguage(const QString& language) = 0;
    // With fromAutomation a failure is raised as an automation error; without, it is shown.
    virtual void LoadScriptFile(const QString& fileName, bool fromAutomation) = 0;
    virtual void RunMain(bool fromAutomation) = 0;
    virtual void RunAlert(bool fromAutomation) = 0;

    // The console. ReadLine raises 1088 for a buttons value other than 1..3; text gets what was
    // typed.
    virtual qint16 ReadLine(const QString& prompt, qint16 buttons, QString& text) = 0;
    virtual bool AskYesNo(const QString& prompt) = 0;
    virtual void PrintLine(const QString& line) = 0;
    virtual void Clear() = 0;
};

using ScriptHostLoader = std::function<ScriptHost*()>;
void SetScriptHostLoader(ScriptHostLoader loader);
// The loaded window; throws when the program has no scripting window.
ScriptHost& LoadScriptHost();

} // namespace teleon
