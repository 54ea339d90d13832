#include "selection/frmSlew.h"

#include "link/Channel.h"
#include "link/ProgramState.h"
#include "link/SlewEngine.h"
#include "selection/HandlerGuard.h"
#include "selection/frmMessage.h"

#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace teleon {

namespace {

constexpr int BarSteps = 16;

QPointer<frmSlew>& progressWindow() {
    static QPointer<frmSlew> window;
    return window;
}

QProgressBar* bar(QWidget* parent, const char* name) {
    auto* b = new QProgressBar(parent);
    b->setObjectName(QLatin1String(name));
    b->setRange(0, BarSteps);
    b->setValue(0);
    b->setTextVisible(false);
    return b;
}

QLabel* label(QWidget* parent, const char* name, const QString& text = {}) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

} // namespace

frmSlew::frmSlew(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSlew"));
    setModal(false);
    lblNote = label(this, "lblNote", QStringLiteral("Repositioning telescope..."));
    lblX = label(this, "lblX", QStringLiteral("RA distance:"));
    lblY = label(this, "lblY", QStringLiteral("Dec distance:"));
    prgRA = bar(this, "prgRA");
    prgDec = bar(this, "prgDec");
    cmdAbort = new QPushButton(QStringLiteral("STOP"), this);
    cmdAbort->setObjectName(QStringLiteral("cmdAbort"));
    cmdAbort->setAutoDefault(false);

    auto* bars = new QGridLayout;
    bars->addWidget(lblX, 0, 0);
    bars->addWidget(prgRA, 0, 1);
    bars->addWidget(lblY, 1, 0);
    bars->addWidget(prgDec, 1, 1);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(lblNote);
    outer->addLayout(bars);
    outer->addWidget(cmdAbort, 0, Qt::AlignHCenter);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdAbort, &QPushButton::clicked, this, &frmSlew::cmdAbort_Click);
}

void frmSlew::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!loaded_ && !event->spontaneous())
        Form_Load();
}

void frmSlew::Form_Load() {
    loaded_ = true;
    if (AlignmentMode == u"A") {
        lblX->setText(QStringLiteral("Az distance:"));
        lblY->setText(QStringLiteral("Alt distance:"));
    } else {
        lblX->setText(QStringLiteral("RA distance:"));
        lblY->setText(QStringLiteral("Dec distance:"));
    }
    PlaceOneThirdDown(*this);
}

void frmSlew::SetBars(const QString& bars) {
    prgRA->setValue(int(qMin<qsizetype>(bars.left(BarSteps).trimmed().size(), BarSteps)));
    prgDec->setValue(int(qMin<qsizetype>(bars.right(BarSteps).trimmed().size(), BarSteps)));
}

void frmSlew::cmdAbort_Click() {
    // On a lost link the slew's own wait ends too.
    RunHandler([] { HaltSlew(); });
}

void frmSlew::reject() {
    cmdAbort_Click();
}

void InstallSlewProgressWindow(QWidget* owner) {
    QPointer<QWidget> parent(owner);
    Hooks().ShowSlewProgress = [parent] {
        QPointer<frmSlew>& window = progressWindow();
        if (!window)
            window = new frmSlew(parent.data());
        window->show();
    };
    Hooks().SetSlewBars = [](const QString& bars) {
        if (frmSlew* window = progressWindow().data())
            window->SetBars(bars);
    };
    Hooks().HideSlewProgress = [] {
        QPointer<frmSlew>& window = progressWindow();
        delete window.data();
        window = nullptr;
    };
}

frmSlew* SlewProgressWindow() {
    return progressWindow().data();
}

} // namespace teleon
