#include "platform/JsEngine.h"

#include "platform/CallErrors.h"

#include <QJSEngine>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QRegularExpression>
#include <QSet>

namespace teleon::platform {

namespace {

// The file name of the engine's own glue code, so that error locations skip its frames.
const QString GlueFile = QStringLiteral("teleon-script-host");

// What print and console.log call: splits the text into lines for the output callback.
class JsOutput : public QObject {
    Q_OBJECT
public:
    std::function<void(const QString&)> output;
    Q_INVOKABLE void write(const QString& text) {
        if (!output)
            return;
        for (const QString& line : text.split(QLatin1Char('\n')))
            output(line);
    }
};

// Defines print and console, and returns the two helpers the engine uses: addMembers(object,
// properties, methods) and invoke(function, args) which reports a throw as {error} instead of
// leaving it to the caller, so that a thrown non-Error value is still seen as a failure.
const char* const Glue = R"JS((function (host, global) {
    const print = function () { host.write(Array.prototype.map.call(arguments, String).join(' ')); };
    global.print = print;
    global.console = { log: print, info: print, warn: print, error: print, debug: print };
    return {
        addMembers: function (object, properties, methods) {
            for (const name of properties)
                Object.defineProperty(global, name, {
                    get: function () { return object[name]; },
                    set: function (value) { object[name] = value; },
                    configurable: true, enumerable: true });
            for (const name of methods)
                global[name] = object[name];
        },
        invoke: function (fn, args) {
            try { return { value: fn.apply(undefined, args) }; } catch (e) { return { error: e }; }
        }
    };
}))JS";

// The first frame of the script's own code in a stack text of "function@source:line" lines.
int LineFromStack(const QString& stack) {
    for (const QString& frame : stack.split(QLatin1Char('\n'))) {
        if (frame.contains(GlueFile))
            continue;
        const int colon = frame.lastIndexOf(QLatin1Char(':'));
        bool ok = false;
        const int line = colon < 0 ? 0 : frame.mid(colon + 1).toInt(&ok);
        if (ok && line > 0)
            return line;
    }
    return 0;
}

class JsEngine final : public ScriptEngine {
public:
    JsEngine() {
        QJSEngine::setObjectOwnership(&output_, QJSEngine::CppOwnership);
        const QJSValue helpers = engine_.evaluate(QString::fromUtf8(Glue), GlueFile)
                                     .call({engine_.newQObject(&output_), engine_.globalObject()});
        addMembers_ = helpers.property(QStringLiteral("addMembers"));
        invoke_ = helpers.property(QStringLiteral("invoke"));
        Q_ASSERT(addMembers_.isCallable() && invoke_.isCallable());
    }

    void SetOutput(std::function<void(const QString&)> output) override {
        output_.output = std::move(output);
    }

    void AddObject(const QString& name, QObject* object, bool addMembers) override {
        if (!object)
            return;
        QJSEngine::setObjectOwnership(object, QJSEngine::CppOwnership);
        const QJSValue wrapper = engine_.newQObject(object);
        engine_.globalObject().setProperty(name, wrapper);
        if (!addMembers)
            return;
        // The members of QObject itself (objectName, deleteLater, ...) are not the host's.
        const QMetaObject* meta = object->metaObject();
        QStringList properties;
        for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i)
            properties << QString::fromLatin1(meta->property(i).name());
        QStringList methods;
        for (int i = QObject::staticMetaObject.methodCount(); i < meta->methodCount(); ++i) {
            const QMetaMethod m = meta->method(i);
            const QString methodName = QString::fromLatin1(m.name());
            if (m.access() == QMetaMethod::Public && m.methodType() != QMetaMethod::Signal &&
                m.methodType() != QMetaMethod::Constructor && !methods.contains(methodName))
                methods << methodName;
        }
        addMembers_.call(
            {wrapper, engine_.toScriptValue(properties), engine_.toScriptValue(methods)});
    }

    bool AddCode(const QString& code, const QString& fileName) override {
        const QString file = fileName.isEmpty() ? QStringLiteral("script") : fileName;
        Call call(*this);
        QStringList trace;
        const QJSValue value = engine_.evaluate(code, file, 1, &trace);
        if (Stopped())
            return false;
        if (trace.isEmpty())
            return true;
        error_ = {Describe(value), 0, 0};
        // Frames read "function:line:column:source"; a syntax error has the only column.
        static const QRegularExpression Frame(QStringLiteral("^[^:]*:(-?\\d+):(-?\\d+):(.*)$"));
        for (const QString& frame : trace) {
            const auto m = Frame.match(frame);
            if (!m.hasMatch() || m.captured(3).contains(GlueFile))
                continue;
            error_.line = qMax(0, m.captured(1).toInt());
            error_.column = qMax(0, m.captured(2).toInt());
            break;
        }
        if (error_.line == 0 && value.isError())
            error_.line = LineFromStack(value.property(QStringLiteral("stack")).toString());
        return false;
    }

    bool Run(const QString& procedure, const QVariantList& args, QVariant* result) override {
        const QJSValue fn = engine_.globalObject().property(procedure);
        if (!fn.isCallable()) {
            error_ = {QStringLiteral("The script has no procedure \"%1\"").arg(procedure), 0, 0};
            return false;
        }
        Call call(*this);
        QJSValue list = engine_.newArray(uint(args.size()));
        for (int i = 0; i < args.size(); ++i)
            list.setProperty(quint32(i), engine_.toScriptValue(args[i]));
        const QJSValue outcome = invoke_.call({fn, list});
        if (Stopped())
            return false;
        if (outcome.hasOwnProperty(QStringLiteral("error"))) {
            const QJSValue e = outcome.property(QStringLiteral("error"));
            error_ = {Describe(e), 0, 0};
            if (e.isError())
                error_.line = LineFromStack(e.property(QStringLiteral("stack")).toString());
            return false;
        }
        if (result)
            *result = outcome.property(QStringLiteral("value")).toVariant();
        return true;
    }

    ScriptError Error() const override { return error_; }

    void Interrupt() override { engine_.setInterrupted(true); }

private:
    // One AddCode or Run, perhaps inside another: errors of host members become the script's
    // exceptions at the point of the call, and a stop request lasts until the outermost call
    // ends.
    class Call {
    public:
        explicit Call(JsEngine& e)
            : engine_(e), trap_([&e](const QObject*, const CallError& error) { e.Throw(error); }) {
            if (engine_.depth_++ == 0)
                engine_.engine_.setInterrupted(false);
        }
        ~Call() {
            if (--engine_.depth_ == 0)
                engine_.engine_.setInterrupted(false);
        }

    private:
        JsEngine& engine_;
        CallErrorTrap trap_;
    };

    void Throw(const CallError& error) {
        if (engine_.hasError()) // the first error of a call is the one the script sees
            return;
        QJSValue e = engine_.newErrorObject(QJSValue::GenericError, error.message);
        const double number = error.number == 32767 ? 32767.0 : double(0x80040000u + error.number);
        e.setProperty(QStringLiteral("number"), number);
        engine_.throwError(e);
    }

    // An interrupted run unwinds without an exception: the flag is what tells.
    bool Stopped() {
        if (!engine_.isInterrupted())
            return false;
        error_ = {QStringLiteral("The script was stopped"), 0, 0};
        return true;
    }

    // A host error reads as its message, other errors with their type ("TypeError: ..."), and a
    // thrown value as its text.
    static QString Describe(const QJSValue& e) {
        if (e.isError() && e.hasOwnProperty(QStringLiteral("number")))
            return e.property(QStringLiteral("message")).toString();
        return e.toString();
    }

    JsOutput output_; // outlives the engine that calls it
    QJSEngine engine_;
    QJSValue addMembers_;
    QJSValue invoke_;
    ScriptError error_;
    int depth_ = 0;
};

} // namespace

std::unique_ptr<ScriptEngine> MakeJsEngine() {
    return std::make_unique<JsEngine>();
}

} // namespace teleon::platform

#include "JsEngine.moc"
