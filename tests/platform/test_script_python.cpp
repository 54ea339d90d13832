// The Python engine: host members with and without the object's name, argument conversion, errors
// with their places, output, re-entrant runs during a nested event loop, and Interrupt.
#include "platform/CallErrors.h"
#include "platform/EventLoop.h"
#include "platform/PythonEngine.h"

#include <QDebug>
#include <QTimer>
#include <gtest/gtest.h>

#include <thread>

using teleon::platform::ScriptEngine;

QT_BEGIN_NAMESPACE
void PrintTo(const QVariant& v, std::ostream* os) {
    *os << QDebug::toString(v).toStdString();
}
QT_END_NAMESPACE

namespace {

class Mount : public QObject {
    Q_OBJECT
    Q_PROPERTY(double Position READ Position)
    Q_PROPERTY(qint16 Rate READ Rate WRITE setRate)
public:
    double position = 0;
    qint16 rate = 0;
    double Position() const { return position; }
    qint16 Rate() const { return rate; }
    void setRate(qint16 r) {
        if (r < 0)
            teleon::platform::RaiseCallError(this,
                                             {1003, "x.ValueOutOfRange", "Value out of range"});
        else
            rate = r;
    }
    Q_INVOKABLE double Add(double a, double b) { return a + b; }
    Q_INVOKABLE qint32 Twice(qint16 n) { return 2 * n; }
    Q_INVOKABLE QString Join(const QString& a, bool b) { return a + (b ? "+" : "-"); }
    Q_INVOKABLE void Fail(qint32 n) {
        teleon::platform::RaiseCallError(this, {n, "x.Failed", "It failed"});
    }
    Q_INVOKABLE void Wait(qint32 ms) { teleon::platform::RunEventLoopFor(ms); }
    Q_INVOKABLE QObject* Make() {
        auto* m = new Mount;
        m->position = 7;
        QObject::connect(m, &QObject::destroyed, [] { ++destroyed; });
        return m;
    }
    static inline int destroyed = 0;
};

class PythonEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine = teleon::platform::MakePythonEngine();
        engine->SetOutput([this](const QString& l) { lines << l; });
        engine->AddObject("mount", &mount, true);
    }
    // Runs the code and then its procedure f; the result, or the error's text.
    QVariant run(const QString& code, const QString& proc = "f") {
        QVariant result;
        if (!engine->AddCode(code, "test.pys") || !engine->Run(proc, {}, &result))
            return engine->Error().description;
        return result;
    }
    Mount mount;
    QStringList lines;
    std::unique_ptr<ScriptEngine> engine;
};

TEST_F(PythonEngineTest, MembersWithAndWithoutTheObjectNameAndArgumentConversion) {
    const struct {
        const char* body;
        QVariant expected;
    } rows[] = {
        {"return mount.Add(1, 2.5)", 3.5},
        {"return Add(1, 2.5)", 3.5},
        {"return Twice(-32768)", -65536},
        {"return Join('a', True) + mount.Join('b', 0)", "a+b-"},
        {"mount.Rate = 5\n    return Rate", 5},
        {"return Twice(32768)",
         "OverflowError: Twice() argument 1: 32768 is out of range for short"},
        {"return Twice(1.0)", "TypeError: Twice() argument 1: expected short, got float"},
        {"return Add('1', 2)", "TypeError: Add() argument 1: expected double, got str"},
        {"return Add(1)", "TypeError: Add() does not take 1 arguments"},
        {"mount.Position = 1", "AttributeError: property 'Position' is read-only"},
        {"mount.Rate = 'x'", "TypeError: property 'Rate': expected short, got str"},
        {"return mount.Nothing", "AttributeError: 'Mount' object has no member 'Nothing'"},
        {"return Nothing", "NameError: name 'Nothing' is not defined"},
        {"return len('abc')", 3}, // builtins still reachable behind the host members
        {"return Make().Position", 7.0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.body);
        EXPECT_EQ(run(QString("def f():\n    %1\n").arg(row.body)), row.expected);
    }
    EXPECT_EQ(Mount::destroyed, 1) << "a returned object belongs to the script";
}

TEST_F(PythonEngineTest, BareNamesReadThePropertyAtTheMomentOfUse) {
    mount.position = 1.5;
    ASSERT_TRUE(engine->AddCode(
        "first = Position\ndef f():\n    return [first, Position, mount.Position]\n", ""));
    mount.position = 2.5;
    QVariant result;
    ASSERT_TRUE(engine->Run("f", {}, &result));
    EXPECT_EQ(result, QVariantList({1.5, 2.5, 2.5}));
    // A fresh engine has nothing of the last one's code.
    engine = teleon::platform::MakePythonEngine();
    EXPECT_FALSE(engine->Run("f", {}, nullptr));
    EXPECT_EQ(engine->Error().description, "NameError: the script has no procedure 'f'");
}

TEST_F(PythonEngineTest, HostErrorsBecomeAutomationErrorsAtThePointOfTheCall) {
    const char* caught = "def f():\n"
                         "    out = []\n"
                         "    for n in (1003, 32767):\n"
                         "        try:\n"
                         "            Fail(n)\n"
                         "        except AutomationError as e:\n"
                         "            out += [e.number, e.description, str(e)]\n"
                         "    try:\n"
                         "        mount.Rate = -1\n"
                         "    except AutomationError as e:\n"
                         "        out.append(e.description)\n"
                         "    return out\n";
    EXPECT_EQ(run(caught), QVariantList({qlonglong(0x80040000LL + 1003), "It failed", "It failed",
                                         32767, "It failed", "It failed", "Value out of range"}));
    EXPECT_EQ(mount.rate, 0);
    EXPECT_EQ(run("def f():\n    x = 1\n    mount.Fail(5)\n    return 1\n"), "It failed");
    EXPECT_EQ(engine->Error().line, 3);
    EXPECT_EQ(engine->Error().column, 5);
}

TEST_F(PythonEngineTest, ErrorsCarryTheirPlaceInTheScript) {
    const struct {
        const char* code;
        const char* proc;
        const char* description;
        int line, column;
    } rows[] = {
        {"x = 1\ndef f(:\n    pass\n", "f", "SyntaxError: invalid syntax", 2, 7},
        {"def f():\n  if 1:\n  pass\n", "f",
         "IndentationError: expected an indented block after 'if' statement on line 2", 3, 3},
        {"def g():\n    return 1 / 0\ndef f():\n    return g()\n", "f",
         "ZeroDivisionError: division by zero", 2, 12},
        {"y = {}['k']\n", "f", "KeyError: 'k'", 1, 5},
        {"def f():\n    return input('?')\n", "f", "EOFError: scripts have no standard input", 2,
         12},
        {"def f(a):\n    return a\n", "f",
         "TypeError: f() missing 1 required positional argument: 'a'", 0, 0},
        {"g = 1\n", "g", "NameError: the script has no procedure 'g'", 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.code);
        SetUp();
        EXPECT_EQ(run(row.code, row.proc), QString(row.description));
        EXPECT_EQ(engine->Error().line, row.line);
        EXPECT_EQ(engine->Error().column, row.column);
    }
}

TEST_F(PythonEngineTest, PrintAndStandardStreamsGoToTheOutputALineAtATime) {
    EXPECT_EQ(run("import sys\n"
                  "def f():\n"
                  "    print('a', 1)\n"
                  "    sys.stdout.write('b\\nc')\n"
                  "    sys.stdout.write('d\\n')\n"
                  "    print('e', file=sys.stderr)\n"
                  "    sys.stdout.write('tail')\n"
                  "    return 0\n"),
              0);
    EXPECT_EQ(lines, QStringList({"a 1", "b", "cd", "e", "tail"}));
}

TEST_F(PythonEngineTest, RunDuringANestedEventLoopOfAHostCall) {
    ASSERT_TRUE(engine->AddCode("hits = []\n"
                                "def alert(x):\n"
                                "    hits.append(x + Position)\n"
                                "    print('alert')\n"
                                "def main():\n"
                                "    Wait(300)\n"
                                "    return hits + [Add(1, 1)]\n",
                                "re.pys"));
    bool alertOk = false;
    mount.position = 1;
    QTimer::singleShot(50, [&] { alertOk = engine->Run("alert", {QVariant(2)}, nullptr); });
    QVariant result;
    ASSERT_TRUE(engine->Run("main", {}, &result)) << engine->Error().description.toStdString();
    EXPECT_TRUE(alertOk);
    EXPECT_EQ(result, QVariantList({3.0, 2.0}));
    EXPECT_EQ(lines, QStringList{"alert"});
}

TEST_F(PythonEngineTest, InterruptStopsAnEndlessLoopAndOnlyTheRunningCode) {
    ASSERT_TRUE(engine->AddCode("def loop(ms):\n"
                                "    Wait(ms)\n"
                                "    while True:\n"
                                "        try:\n"
                                "            pass\n"
                                "        except Exception:\n"
                                "            pass\n"
                                "def f():\n"
                                "    return 1\n",
                                "loop.pys"));
    engine->Interrupt(); // nothing runs: no effect on the next run
    QVariant result;
    EXPECT_TRUE(engine->Run("f", {}, &result));
    for (int waitMs : {0, 300}) { // in the loop; in a host call, which the loop follows
        SCOPED_TRACE(waitMs);
        std::int64_t interruptMs = -1;
        std::thread stopper([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const auto t = teleon::platform::TickMs();
            engine->Interrupt();
            interruptMs = teleon::platform::TickMs() - t;
        });
        const auto start = teleon::platform::TickMs();
        EXPECT_FALSE(engine->Run("loop", {waitMs}, nullptr));
        stopper.join();
        EXPECT_LT(teleon::platform::TickMs() - start, 2000);
        EXPECT_LT(interruptMs, 50) << "Interrupt waited for the host call to end";
        EXPECT_EQ(engine->Error().description, "ScriptInterrupted: the script was stopped");
        EXPECT_GE(engine->Error().line, 2);
        EXPECT_TRUE(engine->Run("f", {}, &result));
    }
}

} // namespace

#include "test_script_python.moc"
