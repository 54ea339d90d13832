#include "selection/frmCurObjInfo.h"

#include "link/Channel.h"
#include "link/Commands.h"
#include "platform/EventLoop.h"
#include "selection/HandlerGuard.h"
#include "selection/ObjectCodes.h"
#include "selection/frmMessage.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace teleon {

namespace {

QLabel* valueLabel(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setMinimumWidth(260);
    return l;
}

} // namespace

frmCurObjInfo::frmCurObjInfo(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmCurObjInfo"));
    setWindowTitle(QStringLiteral("Object Information"));
    setModal(false);

    lblName = valueLabel(this, "lblName");
    lblType = valueLabel(this, "lblType");
    lblMag = valueLabel(this, "lblMag");
    lblSize = valueLabel(this, "lblSize");
    lblQual = valueLabel(this, "lblQual");
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Name:"), lblName);
    fields->addRow(QStringLiteral("Type:"), lblType);
    fields->addRow(QStringLiteral("Magnitude:"), lblMag);
    fields->addRow(QStringLiteral("Size:"), lblSize);
    fields->addRow(QStringLiteral("Quality:"), lblQual);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);

    auto* outer = new QVBoxLayout(this);
    outer->addLayout(fields);
    outer->addWidget(cmdOK, 0, Qt::AlignHCenter);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, &frmCurObjInfo::cmdOK_Click);
}

void frmCurObjInfo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!loaded_ && !event->spontaneous())
        Form_Load();
}

void frmCurObjInfo::done(int result) {
    loaded_ = false;
    QDialog::done(result);
}

void frmCurObjInfo::Form_Load() {
    loaded_ = true;
    for (QLabel* l : {lblName, lblType, lblMag, lblSize, lblQual})
        l->clear();
    // On a lost link the labels stay empty: the main window has gone to standby.
    RunHandler([this] {
        const ObjectInfo info = ParseObjectInfo(SendCommandString(lx::GetObjectInfo));
        lblName->setText(info.name);
        lblType->setText(info.typeText);
        lblMag->setText(info.magnitude);
        lblSize->setText(info.size);
        lblQual->setText(info.qualityText);
    });
    PlaceOneThirdDown(*this);
}

void frmCurObjInfo::cmdOK_Click() {
    accept();
    platform::DoEvents();
}

} // namespace teleon
