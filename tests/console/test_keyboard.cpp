// Every window can be worked from the keyboard: a mnemonic (the letter after "&" in a caption)
// names one control among those shown together, so Alt and that letter always reach it.
#include "alignment/frmAlignWiz.h"
#include "automation/frmScript.h"
#include "console/Registry.h"
#include "console/frmFreq.h"
#include "console/frmMain.h"
#include "link/ProgramState.h"
#include "platform/Prompts.h"
#include "selection/frmCatSel.h"
#include "selection/frmCurObjInfo.h"
#include "selection/frmFind.h"
#include "selection/frmGo.h"
#include "selection/frmMessage.h"
#include "selection/frmSlew.h"
#include "setup/SetupWindows.h"
#include "setup/frmAbout.h"
#include "setup/frmOptics.h"
#include "setup/frmPrefs.h"
#include "setup/frmSite.h"
#include "setup/frmTip.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QTabWidget>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace teleon {
namespace {

// The mnemonic letter of a caption, lower case, or a null character when it has none.
QChar mnemonicOf(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        if (caption[i + 1] == u'&') {
            ++i; // "&&" is a literal ampersand
            continue;
        }
        return caption[i + 1].toLower();
    }
    return QChar();
}

// The captions with mnemonics among the controls of window that are shown together.
QStringList duplicatesShownTogether(QWidget* window) {
    QMap<QChar, QStringList> owners;
    const auto add = [&owners](const QString& caption) {
        const QChar m = mnemonicOf(caption);
        if (!m.isNull())
            owners[m] << caption;
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->window() != window)
            continue;
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            add(b->text());
        else if (auto* l = qobject_cast<QLabel*>(w); l && l->buddy())
            add(l->text());
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            add(g->title());
        else if (auto* t = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < t->count(); ++i)
                add(t->tabText(i));
        else if (auto* bar = qobject_cast<QMenuBar*>(w))
            for (QAction* a : bar->actions())
                add(a->text());
    }
    QStringList duplicates;
    for (auto it = owners.cbegin(); it != owners.cend(); ++it)
        if (it->size() > 1)
            duplicates << it->join(QStringLiteral(" / "));
    return duplicates;
}

// Each page of every stacked widget in turn (a wizard's pages), and each menu on its own.
void expectUniqueMnemonics(QWidget* window) {
    SCOPED_TRACE(window->objectName().toStdString());
    const QList<QStackedWidget*> stacks = window->findChildren<QStackedWidget*>();
    if (stacks.isEmpty()) {
        EXPECT_EQ(duplicatesShownTogether(window).join(QStringLiteral("; ")).toStdString(), "");
    }
    for (QStackedWidget* stack : stacks) {
        for (int page = 0; page < stack->count(); ++page) {
            stack->setCurrentIndex(page);
            EXPECT_EQ(duplicatesShownTogether(window).join(QStringLiteral("; ")).toStdString(), "")
                << "page " << stack->currentWidget()->objectName().toStdString();
        }
    }
    for (QMenu* menu : window->findChildren<QMenu*>()) {
        QMap<QChar, int> uses;
        for (QAction* a : menu->actions()) {
            if (const QChar m = mnemonicOf(a->text()); !m.isNull()) {
                EXPECT_EQ(++uses[m], 1)
                    << menu->title().toStdString() << ": " << a->text().toStdString();
            }
        }
    }
}

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ResetConfigRoot();
        platform::setPrompts(&prompts);
    }
    void TearDown() override {
        platform::setPrompts(nullptr);
        ResetConfigRoot();
    }
    test::TempConfigHome home;
    platform::ScriptedPrompts prompts;
};

TEST_F(KeyboardTest, EveryWindowsMnemonicsAreUnique) {
    const std::function<QWidget*()> windows[] = {
        [] { return new frmMain; },       [] { return new frmGo; },
        [] { return new frmFind; },       [] { return new frmCatSel; },
        [] { return new frmCurObjInfo; }, [] { return new frmSlew; },
        [] { return new frmMessage; },    [] { return new frmFreq; },
        [] { return new frmSite; },       [] { return new frmOptics; },
        [] { return new frmPrefs; },      [] { return new frmTip; },
        [] { return new frmTimeAlert; },  [] { return new frmAbout; },
        [] { return new frmAlignWiz; },   [] { return new frmScript; },
    };
    for (const auto& make : windows) {
        std::unique_ptr<QWidget> window(make());
        expectUniqueMnemonics(window.get());
    }
}

} // namespace
} // namespace teleon
