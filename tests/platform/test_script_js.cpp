// The script control with the JavaScript engine: host members with and without the object name,
// host errors as script exceptions, error locations, re-entrant calls, stopping runaway code.
#include "platform/CallErrors.h"
#include "platform/ScriptControl.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <thread>

using namespace teleon::platform;

namespace {

class Host : public QObject {
    Q_OBJECT
    Q_PROPERTY(double Altitude MEMBER altitude)
    Q_PROPERTY(double Limited READ Limited WRITE setLimited) // refuses values over 90
public:
    double altitude = 12.5;
    double Limited() const { return 0; }
    void setLimited(double x) {
        if (x > 90)
            Fail(9);
    }
    std::function<void()> duringWait; // runs inside Wait's nested event loop

    Q_INVOKABLE double Twice(double x) { return 2 * x; }
    Q_INVOKABLE double Fail(qint32 n) {
        RaiseCallError(this,
                       {n, QStringLiteral("org.test.Error"), QStringLiteral("Failure %1").arg(n)});
        return 0;
    }
    Q_INVOKABLE void Wait() {
        QEventLoop loop;
        QTimer::singleShot(0, &loop, [&] {
            if (duringWait)
                duringWait();
            loop.quit();
        });
        loop.exec();
    }
};

class ScriptJs : public ::testing::Test {
protected:
    void SetUp() override {
        control.setLanguage(QStringLiteral("JScript"));
        control.setTimeout(-1);
        control.Reset();
        control.output = [this](const QString& line) { lines << line; };
        control.AddObject(QStringLiteral("Host"), &host, true);
    }
    ::testing::AssertionResult Load(const char* code) {
        if (control.AddCode(QString::fromUtf8(code), QStringLiteral("test.js")))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << control.Error().description.toStdString();
    }
    QString RunMain() {
        QVariant result;
        if (!control.Run(QStringLiteral("main"), {}, &result))
            return QStringLiteral("failed: ") + control.Error().description;
        return result.toString();
    }

    ScriptControl control;
    Host host;
    QStringList lines;
};

TEST_F(ScriptJs, MembersWorkWithAndWithoutTheObjectNameAndPropertiesReadTheCurrentValue) {
    ASSERT_TRUE(Load("var atLoad = Altitude;\n"
                     "function main() {\n"
                     "  print('out', 1); console.log('a\\nb');\n"
                     "  return [Host.Twice(2), Twice(3), atLoad, Host.Altitude, Altitude].join();\n"
                     "}\n"
                     "function set(x) { Altitude = x; return Altitude; }\n"));
    host.altitude = 40;
    EXPECT_EQ(RunMain(), QStringLiteral("4,6,12.5,40,40"));
    EXPECT_EQ(lines, QStringList({"out 1", "a", "b"}));
    QVariant result;
    ASSERT_TRUE(control.Run(QStringLiteral("set"), {7.25}, &result));
    EXPECT_EQ(result.toDouble(), 7.25);
    EXPECT_EQ(host.altitude, 7.25);

    // Without addMembers only the object's name is defined.
    control.Reset();
    control.AddObject(QStringLiteral("Host"), &host, false);
    ASSERT_TRUE(Load("function main() { return Host.Twice(1) + ',' + typeof Twice; }"));
    EXPECT_EQ(RunMain(), QStringLiteral("2,undefined"));
}

TEST_F(ScriptJs, HostErrorsAreCaughtByTheScriptWithTheirNumberAndMessage) {
    ASSERT_TRUE(
        Load("function main(n) {\n"
             "  try { Fail(n); return 'not thrown'; }\n"
             "  catch (e) { return e.number + ' ' + e.message + ' ' + (e instanceof Error); }\n"
             "}\n"));
    struct Row {
        int n;
        const char* expected;
    };
    for (const Row& row :
         {Row{1042, "2147746834 Failure 1042 true"}, Row{32767, "32767 Failure 32767 true"}}) {
        QVariant result;
        ASSERT_TRUE(control.Run(QStringLiteral("main"), {row.n}, &result)) << row.n;
        EXPECT_EQ(result.toString(), QString::fromLatin1(row.expected));
    }
}

// Failures of AddCode (procedure empty) or of Run, with the description and where.
TEST_F(ScriptJs, FailuresGiveDescriptionAndLocation) {
    struct Row {
        const char* name;
        const char* code;
        const char* procedure;
        const char* description; // contained in the description
        int line, column;
    } rows[] = {
        {"uncaught host error", "function main() {\n\n  Twice(Fail(7));\n}", "main", "Failure 7", 3,
         0},
        {"host error in a bare setter", "function main() {\n  Limited = 91;\n}", "main",
         "Failure 9", 2, 0},
        {"host error at the top level", "var a = 1;\nHost.Fail(8);\n", "", "Failure 8", 2, 0},
        {"syntax error", "var a = 1;\nvar b = (;\n", "", "SyntaxError", 2, 10},
        {"runtime error at the top level", "var a = 1;\n\nnoSuchThing();\n", "", "ReferenceError",
         3, 0},
        {"runtime error in a procedure", "function main() {\n  return null.x;\n}", "main",
         "TypeError", 2, 0},
        {"thrown value", "function main() { throw 'plain text'; }", "main", "plain text", 0, 0},
        {"missing procedure", "function main() {}", "mian", "no procedure \"mian\"", 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        control.Reset();
        control.AddObject(QStringLiteral("Host"), &host, true);
        const bool loaded = control.AddCode(QString::fromUtf8(row.code), QStringLiteral("test.js"));
        const bool ok = loaded && control.Run(QString::fromLatin1(row.procedure));
        EXPECT_FALSE(ok);
        EXPECT_EQ(loaded, *row.procedure != '\0');
        const ScriptError e = control.Error();
        EXPECT_TRUE(e.description.contains(QString::fromUtf8(row.description)))
            << e.description.toStdString();
        EXPECT_EQ(e.line, row.line);
        EXPECT_EQ(e.column, row.column);
    }
    // The engine is still usable after a failure.
    ASSERT_TRUE(Load("function again() { return Twice(5); }"));
    QVariant result;
    EXPECT_TRUE(control.Run(QStringLiteral("again"), {}, &result));
    EXPECT_EQ(result.toInt(), 10);
}

TEST_F(ScriptJs, AlertRunsReentrantlyWhileMainWaitsInANestedEventLoop) {
    ASSERT_TRUE(Load("var log = [];\n"
                     "function alert(x) { log.push('alert ' + Twice(x)); Fail(3); }\n"
                     "function main() {\n"
                     "  log.push('before'); Wait(); log.push('after');\n"
                     "  try { Fail(4); } catch (e) { log.push(e.message); }\n"
                     "  return log.join();\n"
                     "}\n"));
    bool alertOk = true;
    ScriptError alertError;
    host.duringWait = [&] {
        alertOk = control.Run(QStringLiteral("alert"), {21});
        alertError = control.Error();
    };
    EXPECT_EQ(RunMain(), QStringLiteral("before,alert 42,after,Failure 4"));
    // alert's own uncaught error fails alert alone, at its line.
    EXPECT_FALSE(alertOk);
    EXPECT_EQ(alertError.description, QStringLiteral("Failure 3"));
    EXPECT_EQ(alertError.line, 2);

    // A Reset during the wait gives a fresh engine without pulling the running one away.
    host.duringWait = [&] { control.Reset(); };
    EXPECT_EQ(RunMain(), QStringLiteral("before,alert 42,after,Failure 4,before,after,Failure 4"));
    EXPECT_FALSE(control.Run(QStringLiteral("main")));
}

TEST_F(ScriptJs, InterruptAndTimeoutStopAnEndlessLoop) {
    ASSERT_TRUE(Load("function main() { for (;;) {} }\n"
                     "function guarded() { for (;;) { try { for (;;) {} } catch (e) {} } }\n"
                     "function fine() { return 1; }\n"));
    for (const char* procedure : {"main", "guarded"}) {
        std::thread stopper([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            control.Interrupt();
        });
        EXPECT_FALSE(control.Run(QString::fromLatin1(procedure))) << procedure;
        stopper.join();
        EXPECT_EQ(control.Error().description, QStringLiteral("The script was stopped"));
        EXPECT_TRUE(control.Run(QStringLiteral("fine"))) << "usable again after " << procedure;
    }
    control.setTimeout(150);
    EXPECT_FALSE(control.Run(QStringLiteral("main")));
    EXPECT_TRUE(control.Error().description.contains(QStringLiteral("time limit of 150 ms")));
    EXPECT_TRUE(control.Run(QStringLiteral("fine")));
}

// Code that never lets the event loop turn is stopped, in either language; code that waits in
// host calls for longer than the limit is not.
TEST_F(ScriptJs, StallLimitStopsOnlyCodeThatNeverWaits) {
    const std::pair<const char*, const char*> scripts[] = {
        {"JScript", "function main() { for (;;) {} }\n"
                    "function patient() { for (var i = 0; i < 8; ++i) Host.Wait(); return 1; }\n"},
        {"Python", "def main():\n    while True: pass\n"
                   "def patient():\n    for i in range(8): Host.Wait()\n    return 1\n"},
    };
    host.duringWait = [] { QThread::msleep(60); };
    for (const auto& [language, code] : scripts) {
        SCOPED_TRACE(language);
        control.setLanguage(QString::fromLatin1(language));
        control.Reset();
        control.AddObject(QStringLiteral("Host"), &host, true);
        control.setStallLimit(300);
        ASSERT_TRUE(control.AddCode(QString::fromUtf8(code), QStringLiteral("stall")));
        EXPECT_FALSE(control.Run(QStringLiteral("main")));
        EXPECT_TRUE(control.Error().description.startsWith(
            QStringLiteral("The script was stopped: it kept the program from answering")))
            << control.Error().description.toStdString();
        EXPECT_TRUE(control.Run(QStringLiteral("patient"))) << "waits of 8 x 60 ms are turns";
    }
}

TEST_F(ScriptJs, LanguagesWithoutAnEngineFailWithAClearDescription) {
    struct Row {
        const char* language;
        const char* description;
    };
    for (const Row& row :
         {Row{"VBScript", "No VBScript interpreter is installed on this system"},
          Row{"PerlScript", "No PerlScript interpreter is installed on this system"},
          Row{"Cobol", "\"Cobol\" is not a known script language"}}) {
        control.setLanguage(QString::fromLatin1(row.language));
        control.Reset();
        control.AddObject(QStringLiteral("Host"), &host, true);
        EXPECT_FALSE(control.AddCode(QStringLiteral("x = 1")));
        EXPECT_EQ(control.Error().description, QString::fromLatin1(row.description));
        EXPECT_FALSE(control.Run(QStringLiteral("main")));
        EXPECT_EQ(control.Error().description, QString::fromLatin1(row.description));
    }
}

} // namespace

#include "test_script_js.moc"
