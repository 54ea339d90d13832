#include "selection/frmCatSel.h"

#include "link/Channel.h"
#include "link/Commands.h"
#include "link/ProgramState.h"
#include "platform/EventLoop.h"
#include "selection/HandlerGuard.h"
#include "selection/frmMessage.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace teleon {

frmCatSel::frmCatSel(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmCatSel"));
    setWindowTitle(QStringLiteral("Deep Sky Catalog"));
    setModal(false);

    auto* frame = new QGroupBox(this);
    auto* options = new QVBoxLayout(frame);
    const char* captions[] = {"NGC", "IC", "UGC"};
    for (int i = 0; i < int(optDeepSky.size()); ++i) {
        optDeepSky[i] = new QRadioButton(QString::fromLatin1(captions[i]), frame);
        optDeepSky[i]->setObjectName(QStringLiteral("optDeepSky_%1").arg(i));
        options->addWidget(optDeepSky[i]);
    }
    optDeepSky[0]->setChecked(true);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(frame);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    outer->addLayout(buttons);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, &frmCatSel::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmCatSel::cmdCancel_Click);
}

void frmCatSel::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!loaded_ && !event->spontaneous())
        Form_Load();
}

void frmCatSel::done(int result) {
    loaded_ = false;
    QDialog::done(result);
}

void frmCatSel::Form_Load() {
    loaded_ = true;
    const int index =
        DeepSkyCatalog >= 0 && DeepSkyCatalog < int(optDeepSky.size()) ? DeepSkyCatalog : 0;
    optDeepSky[index]->setChecked(true);
    PlaceOneThirdDown(*this);
}

void frmCatSel::cmdOK_Click() {
    // On a lost link the window closes as usual: the main window has gone to standby.
    RunHandler([this] {
        for (int i = 0; i < int(optDeepSky.size()); ++i) {
            if (optDeepSky[i]->isChecked()) {
                SendCommandBool(lx::SetDeepSkyLibrary, QString::number(i));
                DeepSkyCatalog = i;
            }
        }
    });
    accept();
    platform::DoEvents();
}

void frmCatSel::cmdCancel_Click() {
    reject();
}

} // namespace teleon
