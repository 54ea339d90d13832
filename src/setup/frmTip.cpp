#include "setup/frmTip.h"

#include "console/Registry.h"
#include "platform/Prompts.h"
#include "setup/Tips.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

#include <exception>

namespace teleon {

namespace {

const QString Title = QStringLiteral("LX-200 Vantor");
const QString General = QStringLiteral("General");
const QString CurrentTipKey = QStringLiteral("CurrentTip");
// Wide enough for a tip of two or three lines; longer tips wrap onto more lines.
constexpr int TipTextWidth = 380;

} // namespace

frmTip::frmTip(QWidget* parent) : frmPlaceholder(parent) {
    init();
}

frmTip::frmTip(const Options& options, QWidget* parent)
    : frmPlaceholder(parent), options_(options) {
    init();
}

void frmTip::init() {
    setObjectName(QStringLiteral("frmTip"));
    setWindowTitle(QStringLiteral("Tip of the Day"));
    setModal(true);

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    auto* heading = new QLabel(QStringLiteral("<b>Did you know...</b>"), this);
    lblTipText = new QLabel(this);
    lblTipText->setObjectName(QStringLiteral("lblTipText"));
    lblTipText->setWordWrap(true);
    lblTipText->setFixedWidth(TipTextWidth);
    lblTipText->setMinimumHeight(90);
    lblTipText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    chkLoadTipsAtStartup = new QCheckBox(QStringLiteral("Show Tips at Startup"), this);
    chkLoadTipsAtStartup->setObjectName(QStringLiteral("chkLoadTipsAtStartup"));
    cmdNextTip = new QPushButton(QStringLiteral("&Next Tip"), this);
    cmdNextTip->setObjectName(QStringLiteral("cmdNextTip"));
    cmdNextTip->setAutoDefault(false);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);

    auto* text = new QVBoxLayout;
    text->addWidget(heading);
    text->addWidget(lblTipText, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(Picture1, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(chkLoadTipsAtStartup);
    bottom->addStretch();
    bottom->addWidget(cmdNextTip);
    bottom->addWidget(cmdOK);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(top);
    outer->addLayout(bottom);

    connect(cmdNextTip, &QPushButton::clicked, this, &frmTip::cmdNextTip_Click);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(chkLoadTipsAtStartup, &QCheckBox::clicked, this, &frmTip::chkLoadTipsAtStartup_Click);
    adjustSize();
}

void frmTip::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!loaded_ && !event->spontaneous())
        Form_Load();
}

void frmTip::Form_Load() {
    loaded_ = true;
    if (const QScreen* screen = this->screen()) {
        const QRect free = screen->availableGeometry();
        move(free.x() + (free.width() - width()) / 2, free.y() + (free.height() - height()) / 3);
    }
    const QDir programDir(options_.programDir.isEmpty() ? QCoreApplication::applicationDirPath()
                                                        : options_.programDir);
    // The tip pictures beside the program, a standard picture when there are none.
    const QString picture = programDir.filePath(
        options_.nightVision ? QStringLiteral("tipicon-r.bmp") : QStringLiteral("tipicon.bmp"));
    QPixmap pixmap(picture);
    if (pixmap.isNull())
        pixmap = style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32);
    Picture1->setPixmap(pixmap);

    chkLoadTipsAtStartup->setChecked(GetConfig(General, QStringLiteral("StartupTips")).toInt() !=
                                     0);
    const QString name = GetConfig(General, QStringLiteral("TipFile"));
    const auto path = FindTipsFile(name, programDir.path());
    if (!LoadTips(path.value_or(QString()))) {
        lblTipText->setText(QStringLiteral("That the ") + name +
                            QStringLiteral(" file was not found? ") + u'\n' + u'\n' +
                            QStringLiteral("Create a text file named ") + name +
                            QStringLiteral(" using a text editor with 1 tip per line. ") +
                            QStringLiteral("Then place it in the same directory as the "
                                           "application. "));
    }
    adjustSize();
}

bool frmTip::LoadTips(const QString& path) {
    const auto tips = ReadTipsFile(path);
    if (!tips)
        return false;
    tips_ = *tips;
    nextTip();
    return true;
}

void frmTip::nextTip() {
    if (tips_.isEmpty())
        return;
    const int next = NextTipNumber(GetConfig(General, CurrentTipKey).toInt(), tips_.size());
    PutConfig(General, CurrentTipKey, QString::number(next));
    DisplayCurrentTip();
}

void frmTip::DisplayCurrentTip() {
    if (tips_.isEmpty())
        return;
    const int current = GetConfig(General, CurrentTipKey).toInt();
    if (current >= 1 && current <= tips_.size())
        lblTipText->setText(tips_.at(current - 1));
}

void frmTip::cmdNextTip_Click() {
    try {
        nextTip();
    } catch (const std::exception& e) {
        platform::prompts().MsgBox(QString::fromLocal8Bit(e.what()), platform::MsgIcon::Critical,
                                   platform::MsgButtons::OK, Title);
    }
}

void frmTip::chkLoadTipsAtStartup_Click() {
    try {
        PutConfig(General, QStringLiteral("StartupTips"),
                  chkLoadTipsAtStartup->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    } catch (const std::exception& e) {
        platform::prompts().MsgBox(QString::fromLocal8Bit(e.what()), platform::MsgIcon::Critical,
                                   platform::MsgButtons::OK, Title);
    }
}

} // namespace teleon
