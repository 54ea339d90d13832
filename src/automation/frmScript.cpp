#include "automation/frmScript.h"

#include "automation/ComErrors.h"
#include "console/Registry.h"
#include "console/frmMain.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "platform/Prompts.h"
#include "voice/AgentCtrl.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <optional>

namespace teleon {

namespace {

const QString Title = QStringLiteral("LX-200 Vantor");
const QString ReadErrorText = QStringLiteral("Error reading Vantor script: ");
frmScript* instance_ = nullptr;

void setBase(QWidget* w, QPalette::ColorRole from) {
    QPalette p = w->palette();
    p.setColor(QPalette::Base, w->window()->palette().color(from));
    w->setPalette(p);
}

// The file as text lines, each ended by a carriage return and line feed.
QString readScript(const QString& fileName) {
    if (fileName.isEmpty())
        throw AutomationError(ScriptReadError,
                              ReadErrorText + QStringLiteral("No file name given"));
    QFile file(fileName);
    if (QFileInfo(fileName).isDir())
        throw AutomationError(ScriptReadError, ReadErrorText + QStringLiteral("Is a directory"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw AutomationError(ScriptReadError, ReadErrorText + file.errorString());
    QString text;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n'))
        text += line + QStringLiteral("\r\n");
    return text;
}

} // namespace

// A console question keeps the input area; one asked meanwhile (by alert(), or another client)
// takes it over and gives it back when answered, so the first still waits for its own answer.
class QuestionScope {
public:
    explicit QuestionScope(frmScript& w) : w_(w) {
        if (w_.questions_++ > 0)
            saved_ = State{w_.lblInputField->text(), w_.lblInputField->isVisible(),
                           w_.txtInput->text(),      w_.txtInput->isEnabled(),
                           w_.cmdYes->text(),        w_.cmdYes->isEnabled(),
                           w_.cmdNo->text(),         w_.cmdNo->isEnabled(),
                           w_.cmdNo->isHidden(),     w_.blinkPhase_};
    }
    ~QuestionScope() {
        --w_.questions_;
        if (!saved_)
            return;
        w_.lblInputField->setText(saved_->label);
        w_.lblInputField->setVisible(saved_->labelShown);
        w_.txtInput->setText(saved_->input);
        w_.txtInput->setEnabled(saved_->inputEnabled);
        w_.cmdYes->setText(saved_->yes);
        w_.cmdYes->setEnabled(saved_->yesEnabled);
        w_.cmdNo->setText(saved_->no);
        w_.cmdNo->setEnabled(saved_->noEnabled);
        w_.cmdNo->setHidden(saved_->noHidden);
        w_.blinkPhase_ = saved_->blink;
        w_.answer_ = 0;
        w_.tmr1S->start();
    }
    QuestionScope(const QuestionScope&) = delete;
    QuestionScope& operator=(const QuestionScope&) = delete;

private:
    struct State {
        QString label;
        bool labelShown;
        QString input;
        bool inputEnabled;
        QString yes;
        bool yesEnabled;
        QString no;
        bool noEnabled, noHidden, blink;
    };
    frmScript& w_;
    std::optional<State> saved_;
};

frmScript::frmScript(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmScript"));
    setWindowTitle(QStringLiteral("LX-200 Scripting Controls"));
    setAttribute(Qt::WA_QuitOnClose, false);

    txtFileName = new QLineEdit(this);
    txtFileName->setObjectName(QStringLiteral("txtFileName"));
    cbLang = new QComboBox(this);
    cbLang->setObjectName(QStringLiteral("cbLang"));
    cbLang->addItems(platform::ScriptControl::Languages());
    cbLang->setCurrentIndex(-1);
    cbLang->setToolTip(QStringLiteral("Language to use"));
    cmdBrowse = new QPushButton(QStringLiteral("&Browse..."), this);
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    cmdRunScript = new QPushButton(QStringLiteral("&main()"), this);
    cmdRunScript->setObjectName(QStringLiteral("cmdRunScript"));
    cmdAlertScript = new QPushButton(QStringLiteral("&alert()"), this);
    cmdAlertScript->setObjectName(QStringLiteral("cmdAlertScript"));
    txtScriptOut = new QPlainTextEdit(this);
    txtScriptOut->setObjectName(QStringLiteral("txtScriptOut"));
    txtScriptOut->setReadOnly(true);
    lblInputField = new QLabel(this);
    lblInputField->setObjectName(QStringLiteral("lblInputField"));
    txtInput = new QLineEdit(this);
    txtInput->setObjectName(QStringLiteral("txtInput"));
    cmdYes = new QPushButton(this);
    cmdYes->setObjectName(QStringLiteral("cmdYes"));
    cmdNo = new QPushButton(this);
    cmdNo->setObjectName(QStringLiteral("cmdNo"));
    anim = new QProgressBar(this);
    anim->setObjectName(QStringLiteral("anim"));
    anim->setRange(0, 0);
    anim->setTextVisible(false);
    // It takes the room its column has and keeps it when hidden, so nothing moves when a
    // script starts or ends.
    QSizePolicy animPolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    animPolicy.setRetainSizeWhenHidden(true);
    anim->setSizePolicy(animPolicy);
    anim->hide();
    tmr1S = new QTimer(this);
    tmr1S->setObjectName(QStringLiteral("tmr1S"));
    tmr1S->setInterval(1000);

    auto* lblFile = new QLabel(QStringLiteral("&Script file:"), this);
    lblFile->setBuddy(txtFileName);
    auto* lblLang = new QLabel(QStringLiteral("&Language:"), this);
    lblLang->setBuddy(cbLang);
    auto* lblHint = new QLabel(
        QStringLiteral("The selected language must have an interpreter installed on your system."),
        this);
    lblHint->setWordWrap(true);
    auto* lblOut = new QLabel(QStringLiteral("Console ou&tput:"), this);
    lblOut->setBuddy(txtScriptOut);

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblFile, 0, 0);
    grid->addWidget(txtFileName, 0, 1, 1, 2);
    grid->addWidget(cmdBrowse, 0, 3);
    grid->addWidget(lblLang, 1, 0);
    grid->addWidget(cbLang, 1, 1);
    grid->addWidget(cmdRunScript, 1, 2);
    grid->addWidget(cmdAlertScript, 1, 3);
    grid->addWidget(lblHint, 2, 0, 1, 3);
    grid->addWidget(anim, 2, 3);
    grid->addWidget(lblOut, 3, 0, 1, 4);
    grid->addWidget(txtScriptOut, 4, 0, 1, 4);
    grid->addWidget(lblInputField, 5, 0, 1, 4);
    auto* inputRow = new QHBoxLayout;
    inputRow->addWidget(txtInput, 1);
    inputRow->addWidget(cmdYes);
    inputRow->addWidget(cmdNo);
    grid->addLayout(inputRow, 6, 0, 1, 4);
    grid->setRowStretch(4, 1);
    resize(560, 420);

    connect(cmdBrowse, &QPushButton::clicked, this, &frmScript::cmdBrowse_Click);
    connect(cmdRunScript, &QPushButton::clicked, this, [this] { RunMain(false); });
    connect(cmdAlertScript, &QPushButton::clicked, this, [this] { RunAlert(false); });
    connect(cmdYes, &QPushButton::clicked, this, [this] { answer_ = 1; });
    connect(cmdNo, &QPushButton::clicked, this, [this] { answer_ = 2; });
    connect(txtInput, &QLineEdit::returnPressed, this, [this] {
        if (cmdYes->isEnabled())
            cmdYes->click();
    });
    connect(txtFileName, &QLineEdit::textChanged, this, &frmScript::updateRunEnabled);
    connect(cbLang, &QComboBox::currentTextChanged, this, &frmScript::updateRunEnabled);
    connect(tmr1S, &QTimer::timeout, this, [this] {
        lblInputField->setVisible(!blinkPhase_);
        blinkPhase_ = !blinkPhase_;
    });

    control_ = std::make_unique<platform::ScriptControl>();
    control_->output = [this](const QString& line) { PrintLine(line); };
    cmdAlertScript->setEnabled(false);
    updateRunEnabled();
    resetInputArea();
    setBase(txtScriptOut, QPalette::Button);
    instance_ = this;
}

frmScript::~frmScript() {
    if (instance_ == this)
        instance_ = nullptr;
}

frmScript* frmScript::Instance() {
    return instance_;
}

frmScript* frmScript::Load() {
    if (instance_)
        return instance_;
    auto* w = new frmScript;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        const QSize size = w->frameGeometry().size();
        w->move(area.x() + (area.width() - size.width()) / 2,
                area.y() + (area.height() - size.height()) / 3);
    }
    return w;
}

bool frmScript::Unload() {
    if (!instance_)
        return true;
    if (instance_->scriptRunning_ || instance_->alertRunning_ || instance_->questions_ > 0)
        return false;
    delete instance_;
    return true;
}

void frmScript::Install() {
    SetScriptHostLoader([]() -> ScriptHost* { return Load(); });
    frmMain::openScriptWindow = [] { Load()->bringForward(); };
}

void frmScript::closeEvent(QCloseEvent* event) {
    if (scriptRunning_ || alertRunning_) {
        platform::prompts().MsgBox(QStringLiteral("Script is still active"),
                                   platform::MsgIcon::Information, platform::MsgButtons::OK, Title);
        event->ignore();
        return;
    }
    if (questions_ > 0)
        answer_ = 2; // a client's question with the window gone: the second button
    event->accept();
}

void frmScript::bringForward() {
    show();
    raise();
    activateWindow();
}

void frmScript::updateRunEnabled() {
    cmdRunScript->setEnabled(!scriptRunning_ && !txtFileName->text().isEmpty() &&
                             !cbLang->currentText().isEmpty());
}

QString frmScript::ScriptLanguage() const {
    return cbLang->currentText();
}

void frmScript::SetScriptLanguage(const QString& language) {
    const int i = cbLang->findText(language, Qt::MatchFixedString);
    if (i < 0)
        RaiseComError(UnknownLanguageError);
    cbLang->setCurrentIndex(i);
}

void frmScript::fail(const AutomationError& e, bool fromAutomation) {
    if (fromAutomation)
        throw e;
    // The lost link has switched the main window to standby already: no message box for it.
    if (e.code() == ScriptError && e.description().contains(LostLinkError::description())) {
        PrintLine(e.description());
        return;
    }
    if (e.code() == ScriptReadError || e.code() == ScriptError)
        bringForward();
    platform::prompts().MsgBox(e.description(),
                               e.code() == NoScriptRunningError ? platform::MsgIcon::Information
                                                                : platform::MsgIcon::Exclamation,
                               platform::MsgButtons::OK, Title);
}

void frmScript::raiseScriptError() {
    const platform::ScriptError error = control_->Error();
    throw AutomationError(ScriptError, QStringLiteral("Vantor script error:\r\n") +
                                           error.description + QStringLiteral("\r\nat line ") +
                                           QString::number(error.line) + QStringLiteral(" col ") +
                                           QString::number(error.column) + QStringLiteral("."));
}

void frmScript::LoadScriptFile(const QString& fileName, bool fromAutomation) {
    try {
        if (scriptRunning_)
            RaiseComError(ScriptRunningError);
        readScript(fileName);
        txtFileName->setText(fileName);
        const qsizetype dot = fileName.lastIndexOf(u'.');
        const QString extension = dot < 0 ? QString() : fileName.mid(dot + 1).toLower();
        const std::pair<const char*, const char*> languages[] = {
            {"vbs", "VBScript"}, {"js", "JScript"}, {"pls", "PerlScript"},
            {"pys", "Python"},   {"py", "Python"},
        };
        for (const auto& [ext, language] : languages)
            if (extension == QLatin1String(ext))
                cbLang->setCurrentText(QLatin1String(language));
    } catch (const AutomationError& e) {
        fail(e, fromAutomation);
    }
}

void frmScript::RunMain(bool fromAutomation) {
    try {
        runMain();
    } catch (const AutomationError& e) {
        fail(e, fromAutomation);
        return;
    }
    if (!fromAutomation)
        bringForward();
}

void frmScript::runMain() {
    if (scriptRunning_)
        RaiseComError(ScriptRunningError);
    if (txtFileName->text().isEmpty())
        RaiseComError(NoScriptFileError);
    const QString fileName = txtFileName->text();
    const QString code = readScript(fileName);

    control_->setLanguage(cbLang->currentText());
    control_->setSiteWindow(this);
    control_->setAllowUI(true);
    control_->Reset();
    control_->AddObject(QStringLiteral("Scope"), &scope_, true);
    control_->AddObject(QStringLiteral("Util"), &util_, true);
    control_->AddObject(QStringLiteral("Voice"), &voice_, true);
    control_->setTimeout(-1);
    // A script that never waits would freeze the window for good: after 30 s it is stopped
    // (longer than the telescope's reply limit, which a script may wait out in one call).
    control_->setStallLimit(30000);
    bool ok = control_->AddCode(Console::ConstantsCode()) && control_->AddCode(code, fileName);
    if (ok) {
        Clear();
        setBase(txtScriptOut, QPalette::Base);
        cmdRunScript->setEnabled(false);
        cmdAlertScript->setEnabled(true);
        scriptRunning_ = true;
        anim->show();
        ok = control_->Run(QStringLiteral("main"));
    }
    frmMain* main = frmMain::Instance();
    if (main && !LinkDown) {
        try {
            main->UpdateWhatsVis();
            main->UpdateScopeCoords();
        } catch (const std::exception&) {
            // the link's own handling has dealt with it
        }
    }
    anim->hide();
    cmdAlertScript->setEnabled(false);
    scriptRunning_ = false;
    updateRunEnabled();
    setBase(txtScriptOut, QPalette::Button);
    if (main && main->agent())
        main->agent()->InitCommands();
    if (!ok)
        raiseScriptError();
}

void frmScript::RunAlert(bool fromAutomation) {
    try {
        runAlert();
    } catch (const AutomationError& e) {
        fail(e, fromAutomation);
        return;
    }
    if (!fromAutomation)
        bringForward();
}

void frmScript::runAlert() {
    if (!scriptRunning_)
        RaiseComError(NoScriptRunningError);
    const bool outer = alertRunning_;
    cmdAlertScript->setEnabled(false);
    alertRunning_ = true;
    const bool ok = control_->Run(QStringLiteral("alert"));
    alertRunning_ = outer;
    cmdAlertScript->setEnabled(scriptRunning_ && !outer);
    if (!ok)
        raiseScriptError();
}

void frmScript::CallScriptProcedure(const QString& procedure, const QString& text,
                                    qint32 confidence) {
    if (!scriptRunning_)
        RaiseComError(NoScriptRunningError);
    if (!control_->Run(procedure, {text, confidence}))
        raiseScriptError();
}

void frmScript::resetInputArea() {
    lblInputField->clear();
    lblInputField->hide();
    blinkPhase_ = false;
    txtInput->clear();
    txtInput->setEnabled(false);
    for (QPushButton* b : {cmdYes, cmdNo}) {
        b->setText(QString());
        b->setEnabled(false);
        b->show();
    }
}

void frmScript::waitForAnswer() {
    blinkPhase_ = true;
    answer_ = 0;
    tmr1S->start();
    while (answer_ == 0)
        WaitMs(200);
    tmr1S->stop();
    lblInputField->show();
}

qint16 frmScript::ReadLine(const QString& prompt, qint16 buttons, QString& text) {
    QuestionScope question(*this);
    resetInputArea();
    bringForward();
    switch (buttons) {
    case Console::consOkCancel:
        cmdYes->setText(QStringLiteral("&OK"));
        cmdNo->setText(QStringLiteral("&Cancel"));
        break;
    case Console::consYesNo:
        cmdYes->setText(QStringLiteral("&Yes"));
        cmdNo->setText(QStringLiteral("&No"));
        break;
    case Console::consOkOnly:
        cmdYes->setText(QStringLiteral("&OK"));
        cmdNo->hide();
        break;
    default:
        RaiseComError(BadButtonsError);
    }
    cmdYes->setEnabled(true);
    cmdNo->setEnabled(buttons != Console::consOkOnly);
    lblInputField->setText(prompt);
    txtInput->clear();
    txtInput->setEnabled(true);
    setBase(txtInput, QPalette::Base);
    txtInput->setFocus();
    waitForAnswer();
    qint16 result = Console::consOK;
    if (buttons == Console::consYesNo)
        result = answer_ == 1 ? Console::consYes : Console::consNo;
    else if (buttons == Console::consOkCancel)
        result = answer_ == 1 ? Console::consOK : Console::consCancel;
    text = txtInput->text();
    resetInputArea();
    return result;
}

bool frmScript::AskYesNo(const QString& prompt) {
    QuestionScope question(*this);
    resetInputArea();
    bringForward();
    cmdYes->setText(QStringLiteral("&Yes"));
    cmdNo->setText(QStringLiteral("&No"));
    cmdYes->setEnabled(true);
    cmdNo->setEnabled(true);
    lblInputField->setText(QStringLiteral("Answer Yes or No:"));
    lblInputField->show();
    txtInput->setText(prompt);
    setBase(txtInput, QPalette::Base);
    waitForAnswer();
    const bool yes = answer_ == 1;
    resetInputArea();
    return yes;
}

void frmScript::PrintLine(const QString& line) {
    bringForward();
    txtScriptOut->moveCursor(QTextCursor::End);
    txtScriptOut->insertPlainText(line + u'\n');
    txtScriptOut->moveCursor(QTextCursor::End);
}

void frmScript::Clear() {
    txtScriptOut->clear();
}

void frmScript::cmdBrowse_Click() {
    const QString section = QStringLiteral("Scripting");
    const QString key = QStringLiteral("DefBrowseDir");
    const QString path = platform::prompts().FileDialog(
        {Title + QStringLiteral(" - Select script to run"),
         QStringLiteral("VBScript files (*.vbs);;JScript files (*.js);;PerlScript files (*.pls);;"
                        "Python files (*.pys);;Python files (*.py);;All files (*)"),
         GetConfig(section, key)});
    if (path.isEmpty())
        return;
    LoadScriptFile(path, false);
    PutConfig(section, key, QFileInfo(path).absolutePath());
}

} // namespace teleon
