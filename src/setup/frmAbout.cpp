#include "setup/frmAbout.h"

#include "platform/OpenDocument.h"
#include "platform/Prompts.h"
#include "platform/SerialDevices.h"
#include "setup/Tips.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QUrl>
#include <QVBoxLayout>

#include <exception>
#include <memory>

#ifndef TELEON_VERSION
#define TELEON_VERSION "0"
#endif

namespace teleon {

namespace {

const QString Title = QStringLiteral("LX-200 Vantor");

// A label that acts as a link: clicking it runs the handler instead of following an address.
QLabel* linkLabel(QWidget* parent, const char* name, const QString& caption) {
    auto* l = new QLabel(QStringLiteral("<a href=\"#\">") + caption.toHtmlEscaped() +
                             QStringLiteral("</a>"),
                         parent);
    l->setObjectName(QLatin1String(name));
    l->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    l->setOpenExternalLinks(false);
    return l;
}

// The compiled-in manual written out once for the program's life.
QString extractedManual() {
    static std::unique_ptr<QTemporaryDir> dir;
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>(
            QDir::temp().filePath(QStringLiteral("teleon-manual-XXXXXX")));
        if (!dir->isValid()) {
            dir.reset();
            return {};
        }
        RegisterSetupResources();
        const QString target = dir->filePath(QStringLiteral("index.html"));
        if (!QFile::copy(QStringLiteral(":/teleon/manual/index.html"), target)) {
            dir.reset();
            return {};
        }
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                          QFile::ReadOther);
    }
    return dir->filePath(QStringLiteral("index.html"));
}

} // namespace

QString FindManual(const QString& programDir) {
    const QDir dir(programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir);
    for (const QString& candidate :
         {QStringLiteral("doc/index.html"), QStringLiteral("../share/teleon/doc/index.html")}) {
        const QFileInfo file(dir.filePath(candidate));
        if (file.isFile())
            return file.canonicalFilePath();
    }
    return extractedManual();
}

bool OpenDocumentInBrowser(const QString& pathOrAddress) {
    const QUrl url = QUrl::fromUserInput(pathOrAddress);
    if (!pathOrAddress.isEmpty() && url.isValid() && platform::OpenDocument(url))
        return true;
    platform::prompts().MsgBox(QStringLiteral("It doesn't appear that you have a web browser "
                                              "installed ") +
                                   QStringLiteral("on your system."),
                               platform::MsgIcon::None, platform::MsgButtons::OK, Title);
    return false;
}

bool OpenDocumentation(const QString& programDir) {
    return OpenDocumentInBrowser(FindManual(programDir));
}

QStringList SystemInformation(const QStringList& serialDevices) {
    QStringList facts;
    facts << QStringLiteral("Program: Teleon %1").arg(QStringLiteral(TELEON_VERSION));
    facts << QStringLiteral("Qt: %1 (built with %2)")
                 .arg(QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR));
    facts << QStringLiteral("Kernel: %1 %2").arg(QSysInfo::kernelType(), QSysInfo::kernelVersion());
    facts << QStringLiteral("System: %1 (%2)")
                 .arg(QSysInfo::prettyProductName(), QSysInfo::currentCpuArchitecture());
    facts << QStringLiteral("Serial devices: %1")
                 .arg(serialDevices.isEmpty() ? QStringLiteral("none")
                                              : serialDevices.join(QStringLiteral(", ")));
    return facts;
}

frmSysInfo::frmSysInfo(const QStringList& facts, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSysInfo"));
    setWindowTitle(QStringLiteral("System Information"));
    setModal(true);
    lblFacts = new QLabel(facts.join(u'\n'), this);
    lblFacts->setObjectName(QStringLiteral("lblFacts"));
    lblFacts->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblFacts->setWordWrap(true);
    lblFacts->setMinimumWidth(360);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblFacts);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    adjustSize();
}

frmAbout::frmAbout(QWidget* parent) : frmPlaceholder(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Teleon"));
    setModal(true);
    serialDevices = [] { return platform::ListSerialDevices(); };

    auto* lblTitle = new QLabel(QStringLiteral("<b>Teleon</b>"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblVersion = new QLabel(QStringLiteral("Version %1").arg(QStringLiteral(TELEON_VERSION)), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    auto* lblDescription =
        new QLabel(QStringLiteral("Control of an LX-200 classic telescope over its serial port: "
                                  "go-to, object finder, sites, optics and alignment."),
                   this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(true);
    lblDocs = linkLabel(this, "lblDocs", QStringLiteral("Online Documentation (Local)"));
    lblHomePage = linkLabel(this, "lblHomePage", QStringLiteral("Home Page (Internet)"));
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setAutoDefault(false);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch();
    auto* text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lblVersion);
    text->addWidget(lblDescription);
    text->addWidget(lblDocs);
    text->addWidget(lblHomePage);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(text, 1);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    connect(lblDocs, &QLabel::linkActivated, this, &frmAbout::lblDocs_Click);
    connect(lblHomePage, &QLabel::linkActivated, this, &frmAbout::lblHomePage_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    adjustSize();
}

void frmAbout::StartSysInfo() {
    try {
        frmSysInfo info(SystemInformation(serialDevices ? serialDevices() : QStringList{}), this);
        info.exec();
    } catch (const std::exception&) {
        platform::prompts().MsgBox(QStringLiteral("System Information Is Unavailable At This Time"),
                                   platform::MsgIcon::Exclamation, platform::MsgButtons::OK, Title);
    }
}

void frmAbout::lblDocs_Click() {
    OpenDocumentation();
}

void frmAbout::lblHomePage_Click() {
    OpenDocumentInBrowser(HomePageUrl);
}

} // namespace teleon
