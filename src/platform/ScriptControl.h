// The script control: runs one script's text in a chosen language, with host objects added by
// name, and calls its procedures. The languages offered are "VBScript", "JScript", "PerlScript"
// and "Python"; "JScript" runs on the JavaScript engine and "Python" on the embedded Python
// interpreter, the others have no engine here and fail like a script error that says so.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

namespace teleon::platform {

// What went wrong in the last AddCode or Run: the description and, when known, where (1-based;
// 0 when unknown).
struct ScriptError {
    QString description;
    int line = 0;
    int column = 0;
};

// One language's engine. A fresh engine has no code and no objects.
class ScriptEngine {
public:
    virtual ~ScriptEngine() = default;
    // Adds a host object under name; with addMembers its properties and invokable methods are
    // also reachable without the object's name. The object stays owned by the caller.
    virtual void AddObject(const QString& name, QObject* object, bool addMembers) = 0;
    // Runs the text at the top level (defining its procedures). False when it failed: Error().
    virtual bool AddCode(const QString& code, const QString& fileName) = 0;
    // Calls a procedure of the code with arguments; true when it returned normally (result, if
    // asked for, holds its value). Runs until the procedure ends; the procedure may wait in host
    // calls that run the event loop, during which Run may be called again (re-entrantly).
    virtual bool Run(const QString& procedure, const QVariantList& args, QVariant* result) = 0;
    virtual ScriptError Error() const = 0;
    // Stops the running code as soon as it can (safe from any thread); its Run fails.
    virtual void Interrupt() = 0;
    // Where the script's own output goes, one call per line without the line end. An engine
    // without output of its own may ignore it.
    virtual void SetOutput(std::function<void(const QString& line)> output) { (void)output; }
};

// The engine of a language that cannot run here: every AddCode and Run fails with description.
class FailingEngine final : public ScriptEngine {
public:
    explicit FailingEngine(QString description) : error_{std::move(description), 0, 0} {}
    void AddObject(const QString&, QObject*, bool) override {}
    bool AddCode(const QString&, const QString&) override { return false; }
    bool Run(const QString&, const QVariantList&, QVariant*) override { return false; }
    ScriptError Error() const override { return error_; }
    void Interrupt() override {}

private:
    ScriptError error_;
};

class ScriptControl {
public:
    ScriptControl();
    ~ScriptControl();

    static QStringList Languages(); // "VBScript", "JScript", "PerlScript", "Python"

    // Setting the language takes effect at the next Reset.
    void setLanguage(const QString& language);
    QString language() const;
    void setSiteWindow(QObject* window); // the window that script prompts belong to
    void setAllowUI(bool allow);
    // A positive timeout stops each outermost AddCode or Run that lasts longer (its error says
    // so), nested event loops included; -1 (or any value up to 0) sets no limit.
    void setTimeout(int ms);
    // A positive stall limit stops code that has kept the event loop from running that long
    // (a loop that never waits): the window answers again, and the run fails saying why. Time
    // spent in host calls that run the event loop (waits, questions, slews) does not count.
    void setStallLimit(int ms);
    // Drops the code and the objects, and makes a fresh engine of the current language.
    void Reset();
    void AddObject(const QString& name, QObject* object, bool addMembers);
    bool AddCode(const QString& code, const QString& fileName = QString());
    bool Run(const QString& procedure, const QVariantList& args = {}, QVariant* result = nullptr);
    ScriptError Error() const;
    void Interrupt();

    // Where the script's own output goes (JavaScript's print and console.log, Python's print,
    // sys.stdout and sys.stderr): one call per line, without the line end.
    std::function<void(const QString& line)> output;

private:
    QString language_;
    QObject* site_ = nullptr;
    bool allowUI_ = false;
    int timeoutMs_ = -1;
    int stallLimitMs_ = 0;
    std::unique_ptr<ScriptEngine> engine_;
    ScriptError error_;
    // Engines replaced by a Reset while their code was still running, dropped when it ends.
    std::vector<std::unique_ptr<ScriptEngine>> retired_;
    int depth_ = 0; // AddCode and Run calls in progress, nested ones included

    template <typename F> bool Call(F&& f);
};

} // namespace teleon::platform
