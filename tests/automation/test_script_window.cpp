// The scripting window against the simulated telescope, in both script languages: a script that
// slews and prints, the console's questions answered by button presses, alert() while main()
// waits, and every way a run can fail, after which the window is idle and usable again.
#include "AutomationFixture.h"
#include "automation/AutomationStartup.h"
#include "automation/Util.h"
#include "automation/frmScript.h"
#include "platform/CallErrors.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace teleon {
namespace {

platform::CallError errorOf(const std::function<void()>& call) {
    platform::CallErrorTrap trap;
    call();
    return trap.failed() ? *trap.error() : platform::CallError{};
}

// main() and alert() with the given bodies, and text(x) as a string conversion, in one language.
struct Lang {
    const char* name;
    const char* ext;
    QString script(const QString& main, const QString& alert = QStringLiteral("x = 0")) const {
        const bool js = QLatin1String(ext) == u"js";
        const auto proc = [js](const char* name, const QString& body) {
            QString indented = QStringLiteral("    ") + body;
            indented.replace(u'\n', QStringLiteral("\n    "));
            return js ? QStringLiteral("function %1() {\n%2\n}\n")
                            .arg(QLatin1String(name), indented)
                      : QStringLiteral("def %1():\n%2\n").arg(QLatin1String(name), indented);
        };
        return (js ? QStringLiteral("function text(x) { return String(x) }\n")
                   : QStringLiteral("def text(x): return str(x)\n")) +
               proc("main", main) + proc("alert", alert);
    }
};
const Lang Langs[] = {{"JScript", "js"}, {"Python", "pys"}};

class ScriptWindowTest : public test::AutomationFixture {
protected:
    void SetUp() override {
        AutomationFixture::SetUp();
        frmScript::Install();
        connect();
        w = frmScript::Load();
    }
    void TearDown() override {
        EXPECT_TRUE(frmScript::Unload());
        SetScriptHostLoader(nullptr);
        SetMainWindowFactory(nullptr);
        AutomationFixture::TearDown();
    }
    QString write(const QString& name, const QString& text) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
        return path;
    }
    // Loads and runs through Util as an automation client does; the error it raised.
    platform::CallError run(const Lang& lang, const QString& main,
                            const QString& alert = QStringLiteral("x = 0")) {
        util.LoadScript(
            write(QStringLiteral("s.") + QLatin1String(lang.ext), lang.script(main, alert)));
        EXPECT_EQ(util.ScriptLanguage(), QLatin1String(lang.name));
        return errorOf([&] { util.RunScript(); });
    }
    QString out() const { return w->txtScriptOut->toPlainText(); }
    void expectIdle() {
        EXPECT_FALSE(util.ScriptActive());
        EXPECT_TRUE(w->cmdRunScript->isEnabled());
        EXPECT_FALSE(w->cmdAlertScript->isEnabled());
        EXPECT_TRUE(w->anim->isHidden());
    }

    QTemporaryDir dir;
    Util util;
    frmScript* w = nullptr;
};

TEST_F(ScriptWindowTest, ScriptSlewsToM31AndPrintsItsInformation) {
    sim.setSlewSpeedDegPerSec(200);
    for (const Lang& lang : Langs) {
        SCOPED_TRACE(lang.name);
        sim.clearLog();
        const auto e = run(lang, QStringLiteral("SelectObject(\"M 31\")\n"
                                                "Util.Console.PrintLine(\"ok \" + "
                                                "text(SlewToCurrentObject()))\n"
                                                "print(\"M 31: \" + ObjectInformation)"));
        EXPECT_EQ(e.number, 0) << e.message.toStdString();
        const auto cmds = heard();
        EXPECT_TRUE(cmds.contains("LM 31"));
        EXPECT_TRUE(cmds.contains("MS"));
        EXPECT_TRUE(out().startsWith(QStringLiteral("ok true\nM 31: ")) ||
                    out().startsWith(QStringLiteral("ok True\nM 31: ")))
            << out().toStdString();
        EXPECT_TRUE(out().contains(QStringLiteral("Andromeda")) || out().contains("GAL"))
            << out().toStdString();
        expectIdle();
    }
}

TEST_F(ScriptWindowTest, ConsoleQuestionsAnsweredByTheButtons) {
    struct Row {
        const char* call;
        bool yes;         // the first button, else the second
        const char* want; // printed: result ":" typed text
        bool secondShown;
    };
    const Row rows[] = {
        {"ReadLine(\"Name?\", consOkCancel)", true, "12:typed", true},
        {"ReadLine(\"Name?\", consOkCancel)", false, "13:typed", true},
        {"ReadLine(\"Name?\", consYesNo)", true, "10:typed", true},
        {"ReadLine(\"Name?\", consYesNo)", false, "11:typed", true},
        {"ReadLine(\"Name?\", consOkOnly)", true, "12:typed", false},
        {"AskYesNo(\"Go?\")", true, "true:typed", true},
        {"AskYesNo(\"Go?\")", false, "false:typed", true},
    };
    for (const Lang& lang : Langs) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(lang.name) + " " + row.call +
                         (row.yes ? " first" : " second"));
            bool secondShown = false;
            QTimer::singleShot(300, w, [&] {
                if (w->txtInput->isEnabled())
                    w->txtInput->setText(QStringLiteral("typed"));
                secondShown = !w->cmdNo->isHidden();
                (row.yes ? w->cmdYes : w->cmdNo)->click();
            });
            const auto e =
                run(lang, QStringLiteral("c = Util.Console\nr = c.%1\n"
                                         "c.PrintLine(text(r) + \":\" + c.LastReadResult)")
                              .arg(QLatin1String(row.call)));
            EXPECT_EQ(e.number, 0) << e.message.toStdString();
            EXPECT_EQ(out().trimmed().toLower(), QLatin1String(row.want));
            EXPECT_EQ(secondShown, row.secondShown);
            EXPECT_FALSE(w->cmdYes->isEnabled());
            EXPECT_FALSE(w->txtInput->isEnabled());
        }
        const auto e = run(lang, QStringLiteral("Util.Console.ReadLine(\"x\", 4)"));
        EXPECT_EQ(e.number, 1090);
        EXPECT_TRUE(
            e.message.contains(QStringLiteral("Bad buttons parameter in Console.ReadLine()")))
            << e.message.toStdString();
        expectIdle();
    }
}

TEST_F(ScriptWindowTest, AlertRunsWhileMainWaitsAndSecondRunsAreRefused) {
    for (const Lang& lang : Langs) {
        SCOPED_TRACE(lang.name);
        platform::CallError alertError{-1, {}, {}}, runError, loadError;
        bool activeDuring = false, closed = true;
        QTimer::singleShot(300, w, [&] {
            activeDuring = util.ScriptActive();
            alertError = errorOf([&] { util.AlertScript(); });
            runError = errorOf([&] { util.RunScript(); });
            loadError = errorOf([&] { util.LoadScript(dir.filePath(QStringLiteral("other.js"))); });
            prompts.messages.clear();
            closed = w->close();
        });
        const auto e =
            run(lang, QStringLiteral("WaitForMilliseconds(1200)\nUtil.Console.PrintLine(\"main\")"),
                QStringLiteral("Util.Console.PrintLine(\"alert\")"));
        EXPECT_EQ(e.number, 0) << e.message.toStdString();
        EXPECT_TRUE(activeDuring);
        EXPECT_EQ(alertError.number, 0);
        EXPECT_EQ(runError.number, 1092);
        EXPECT_EQ(runError.message, QStringLiteral("An Vantor script is already running"));
        EXPECT_EQ(loadError.number, 1092);
        EXPECT_FALSE(closed);
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, QStringLiteral("Script is still active"));
        prompts.messages.clear();
        EXPECT_EQ(out(), QStringLiteral("alert\nmain\n")); // main ran to its end, undisturbed
        EXPECT_TRUE(w->txtFileName->text().endsWith(QLatin1String(lang.ext)));
        expectIdle();
        const auto after = errorOf([&] { util.AlertScript(); });
        EXPECT_EQ(after.number, 1093);
        EXPECT_EQ(after.message, QStringLiteral("No Vantor script is running"));
    }
}

// alert() asks its own question while main()'s waits: each gets its own answer.
TEST_F(ScriptWindowTest, QuestionOfAlertLeavesTheQuestionOfMainWaiting) {
    for (const Lang& lang : Langs) {
        SCOPED_TRACE(lang.name);
        QTimer::singleShot(300, w, [&] { errorOf([&] { util.AlertScript(); }); });
        QTimer::singleShot(700, w, [&] { w->cmdNo->click(); });
        QTimer::singleShot(1100, w, [&] {
            EXPECT_EQ(w->lblInputField->text(), QStringLiteral("Name?"));
            w->txtInput->setText(QStringLiteral("Vega"));
            w->cmdYes->click();
        });
        const auto e =
            run(lang,
                QStringLiteral("r = Console.ReadLine(\"Name?\", consYesNo)\n"
                               "Console.PrintLine(text(r) + \":\" + Console.LastReadResult)"),
                QStringLiteral("Console.PrintLine(text(Console.AskYesNo(\"Stop?\")))"));
        EXPECT_EQ(e.number, 0) << e.message.toStdString();
        EXPECT_EQ(out().toLower(), QStringLiteral("false\n10:vega\n"));
    }
}

TEST_F(ScriptWindowTest, FailedRunsReportWhereAndLeaveTheWindowIdle) {
    // No file yet, then a missing one, which leaves the name as it was.
    EXPECT_EQ(errorOf([&] { util.RunScript(); }).number, 1091);
    const QString good = write(QStringLiteral("good.js"), Langs[0].script(QStringLiteral("x = 1")));
    util.LoadScript(good);
    const auto missing =
        errorOf([&] { util.LoadScript(dir.filePath(QStringLiteral("none.pys"))); });
    EXPECT_EQ(missing.number, 1089);
    EXPECT_TRUE(missing.message.startsWith(QStringLiteral("Error reading Vantor script: ")));
    EXPECT_EQ(w->txtFileName->text(), good);
    EXPECT_EQ(util.ScriptLanguage(), QStringLiteral("JScript"));
    struct Row {
        const char* lang;
        const char* code;
        const char* where;
    };
    const Row rows[] = {
        {"js", "function main() {\n  x = 1\n  noSuchFunction()\n}\n", "at line 3 col "},
        {"js", "function main() {\n  x = (\n}\n", "at line 3 col "},
        {"js", "function main() {\n  SlewByOffset(11, 0)\n}\n", "at line 2 col "},
        {"pys", "def main():\n    x = 1\n    no_such_function()\n", "at line 3 col "},
        {"pys", "def main():\n    x = (\n", "at line 2 col "},
        {"pys", "def main():\n    SlewByOffset(11, 0)\n", "at line 2 col "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        util.LoadScript(
            write(QStringLiteral("bad.") + QLatin1String(row.lang), QString::fromLatin1(row.code)));
        const auto e = errorOf([&] { util.RunScript(); });
        EXPECT_EQ(e.number, 1090);
        EXPECT_TRUE(e.message.startsWith(QStringLiteral("Vantor script error:\r\n")));
        EXPECT_TRUE(e.message.contains(QLatin1String(row.where))) << e.message.toStdString();
        expectIdle();
        // From the window the same text comes in a message box.
        w->cmdRunScript->click();
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, e.message);
        EXPECT_EQ(prompts.messages[0].icon, platform::MsgIcon::Exclamation);
        prompts.messages.clear();
    }
    EXPECT_EQ(errorOf([&] { util.setScriptLanguage(QStringLiteral("Cobol")); }).number, 1042);
    EXPECT_EQ(util.ScriptLanguage(), QStringLiteral("Python"));
}

TEST_F(ScriptWindowTest, LostLinkIsAScriptErrorAndTheWindowStaysUsable) {
    for (const Lang& lang : Langs) {
        SCOPED_TRACE(lang.name);
        sim.stopAnswering(true); // the second language finds the link down already
        util.LoadScript(write(QStringLiteral("lost.") + QLatin1String(lang.ext),
                              lang.script(QStringLiteral("SlewToPosition(1.0, 20.0)"))));
        w->cmdRunScript->click(); // from the window: no message box, the text in the console
        EXPECT_TRUE(prompts.messages.empty());
        EXPECT_TRUE(out().contains(QStringLiteral("Lost communications with telescope")));
        expectIdle();
        sim.stopAnswering(false);
        const auto e = run(lang, QStringLiteral("Util.Console.PrintLine(\"still here\")"));
        EXPECT_EQ(e.number, 0);
        EXPECT_EQ(out(), QStringLiteral("still here\n"));
    }
}

TEST_F(ScriptWindowTest, FileExtensionChoosesTheLanguage) {
    prompts.files = {write(QStringLiteral("a.JS"), {})};
    w->cmdBrowse->click();
    EXPECT_EQ(w->cbLang->currentText(), QStringLiteral("JScript"));
    EXPECT_EQ(GetConfig(QStringLiteral("Scripting"), QStringLiteral("DefBrowseDir")), dir.path());
    const std::pair<const char*, const char*> rows[] = {
        {"b.py", "Python"}, {"c.vbs", "VBScript"}, {"d.txt", "VBScript"}, {"e.Pls", "PerlScript"}};
    for (const auto& [name, language] : rows) {
        util.LoadScript(write(QLatin1String(name), {}));
        EXPECT_EQ(util.ScriptLanguage(), QLatin1String(language)) << name;
    }
}

} // namespace
} // namespace teleon
