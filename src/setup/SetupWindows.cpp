#include "setup/SetupWindows.h"

#include "console/Registry.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "platform/Prompts.h"
#include "setup/frmAbout.h"
#include "setup/frmPrefs.h"
#include "setup/frmTip.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

#include <exception>

namespace teleon {

namespace {

const QString Title = QStringLiteral("LX-200 Vantor");

} // namespace

frmTimeAlert::frmTimeAlert(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmTimeAlert"));
    setWindowTitle(Title);
    setModal(true);
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    lblMessage = new QLabel(this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setWordWrap(true);
    lblMessage->setMinimumWidth(320);
    chkDontShow = new QCheckBox(QStringLiteral("Don't show this message again"), this);
    chkDontShow->setObjectName(QStringLiteral("chkDontShow"));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(lblMessage, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(chkDontShow);
    bottom->addStretch();
    bottom->addWidget(cmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(chkDontShow, &QCheckBox::clicked, this, &frmTimeAlert::chkDontShow_Click);
    adjustSize();
}

void frmTimeAlert::SetMessage(const QString& text) {
    lblMessage->setText(text);
    adjustSize();
}

QString frmTimeAlert::Message() const {
    return lblMessage->text();
}

void frmTimeAlert::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!loaded_ && !event->spontaneous())
        Form_Load();
}

void frmTimeAlert::Form_Load() {
    loaded_ = true;
    if (const QScreen* screen = this->screen()) {
        const QRect free = screen->availableGeometry();
        move(free.x() + (free.width() - width()) / 2, free.y() + (free.height() - height()) / 3);
    }
    if (Hooks().Beep)
        Hooks().Beep();
    else
        QApplication::beep();
    setWindowTitle(Title);
    chkDontShow->setChecked((AlertFlags & 1) != 0);
}

void frmTimeAlert::chkDontShow_Click() {
    if (chkDontShow->isChecked())
        AlertFlags |= 1;
    else
        AlertFlags &= ~1;
    try {
        PutConfig(QStringLiteral("General"), QStringLiteral("AlertFlags"),
                  QString::number(AlertFlags));
    } catch (const std::exception& e) {
        platform::prompts().MsgBox(QString::fromLocal8Bit(e.what()), platform::MsgIcon::Critical,
                                   platform::MsgButtons::OK, Title);
    }
}

frmPlaceholder::frmPlaceholder(const QString& objectName, const QString& caption,
                               const QString& text, QWidget* parent)
    : QDialog(parent) {
    setObjectName(objectName);
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(text, this);
    label->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    layout->addWidget(label);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

frmPlaceholder* NewPrefsWindow(QWidget* parent) {
    return new frmPrefs(parent);
}

frmPlaceholder* NewTipWindow(QWidget* parent, bool nightVision) {
    frmTip::Options options;
    options.nightVision = nightVision;
    return new frmTip(options, parent);
}

frmPlaceholder* NewAboutWindow(QWidget* parent) {
    return new frmAbout(parent);
}

} // namespace teleon
