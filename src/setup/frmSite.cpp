#include "setup/frmSite.h"

#include "astro/Celest32.h"
#include "console/Registry.h"
#include "link/Channel.h"
#include "link/Commands.h"
#include "link/Utilities.h"
#include "platform/Prompts.h"

#include "platform/WidgetKit.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cmath>
#include <exception>

namespace teleon {

namespace {

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

const QString Sites = QStringLiteral("Sites");
const QString UtcCaption = QStringLiteral("+/- hh STANDARD time offset, +west ");
const QString NoScopeText = QStringLiteral("No scope available. Can't create or edit sites now.");
// The name of site #4 for data that is not a stored site (the automation's SetLocation uses it
// too): no stored site has it, so the next connect sends no stored site over it.
const QString NotAStoredSite = QStringLiteral("ZZZ");

// An id a stored site may hold and the telescope may be given for it.
bool usableSiteId(const QString& id) {
    return IsSiteId(id) && id != NotAStoredSite;
}

MsgAnswer message(const QString& text, MsgIcon icon, MsgButtons buttons = MsgButtons::OK) {
    return platform::prompts().MsgBox(text, icon, buttons, SiteMessageTitle);
}

using ui::button;

QLabel* label(QWidget* parent, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setWordWrap(true);
    return l;
}

void beep() {
    if (Hooks().Beep)
        Hooks().Beep();
    else
        QApplication::beep();
}

// Runs a handler so that no exception reaches the event loop: a lost link has been reported by
// the main window's standby already; anything else is shown.
template <typename Body> void guarded(Body body) {
    try {
        body();
    } catch (const LostLinkError&) {
    } catch (const std::exception& e) {
        message(QString::fromLocal8Bit(e.what()), MsgIcon::Critical);
    }
}

} // namespace

frmSite::frmSite(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSite"));
    setWindowTitle(QStringLiteral("Observing Sites"));
    setModal(true);

    auto* heading = new QLabel(QStringLiteral("Telescope Site Setup"), this);
    heading->setObjectName(QStringLiteral("lblHeading"));
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.3);
    heading->setFont(headingFont);
    auto* note = label(this, QStringLiteral("This program uses the telescope's site #4. Do not use "
                                            "site #4 from the hand controller."));
    note->setObjectName(QStringLiteral("lblSite4Note"));
    auto* instructions = label(
        this, QStringLiteral("Shows the current site selection. To change sites, select the site "
                             "in the dropdown list and click Set. To add a new site, enter the "
                             "name in the dropdown box, fill in the lat/long and UTC offset, then "
                             " click Save. To delete a site, select it and click Delete. Leading "
                             "zeroes are required!"));
    instructions->setObjectName(QStringLiteral("lblInstructions"));

    cbSite = new QComboBox(this);
    cbSite->setObjectName(QStringLiteral("cbSite"));
    cbSite->setEditable(true);
    cbSite->setInsertPolicy(QComboBox::NoInsert);
    cbSite->setMinimumContentsLength(24);
    mskLat = maskedField(SiteField::Latitude, "mskLat");
    mskLong = maskedField(SiteField::Longitude, "mskLong");
    mskGMT = maskedField(SiteField::Offset, "mskGMT");
    lblUTCOffset = new QLabel(UtcCaption, this);
    lblUTCOffset->setObjectName(QStringLiteral("lblUTCOffset"));

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("Site:"), this), 0, 0);
    fields->addWidget(cbSite, 0, 1, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("Latitude:"), this), 1, 0);
    fields->addWidget(mskLat, 1, 1);
    fields->addWidget(new QLabel(QStringLiteral("N/S dd\u00B0 mm'"), this), 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("Longitude:"), this), 2, 0);
    fields->addWidget(mskLong, 2, 1);
    fields->addWidget(new QLabel(QStringLiteral("E/W dd\u00B0 mm'"), this), 2, 2);
    fields->addWidget(new QLabel(QStringLiteral("UTC Offset:"), this), 3, 0);
    fields->addWidget(mskGMT, 3, 1);
    fields->addWidget(lblUTCOffset, 3, 2);

    cmdSet = button(this, "cmdSet", QStringLiteral("Set"));
    cmdSave = button(this, "cmdSave", QStringLiteral("Save"));
    cmdDelete = button(this, "cmdDelete", QStringLiteral("Delete"));
    cmdCancel = button(this, "cmdCancel", QStringLiteral("Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {cmdSet, cmdSave, cmdDelete, cmdCancel})
        buttons->addWidget(b);

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(heading);
    outer->addWidget(note);
    outer->addLayout(fields);
    outer->addWidget(instructions);
    outer->addLayout(buttons);

    // The design-time state: nothing valid yet.
    cmdSet->setEnabled(false);
    cmdSave->setEnabled(false);
    cmdDelete->setEnabled(false);

    connect(cbSite, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!deleting_ && index >= 0)
            cbSite_Click();
    });
    connect(cbSite, &QComboBox::editTextChanged, this, [this] {
        if (deleting_)
            return;
        UnsavedChanges = true;
        PendingScopeLoad = true;
        UpdateButtons();
    });
    connect(mskLat, &QLineEdit::textChanged, this,
            [this] { fieldChanged(SiteField::Latitude, mskLat); });
    connect(mskLong, &QLineEdit::textChanged, this,
            [this] { fieldChanged(SiteField::Longitude, mskLong); });
    connect(mskGMT, &QLineEdit::textChanged, this,
            [this] { fieldChanged(SiteField::Offset, mskGMT); });
    connect(cmdSet, &QPushButton::clicked, this, &frmSite::cmdSet_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmSite::cmdSave_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmSite::cmdDelete_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSite::cmdCancel_Click);

    adjustSize();
}

QLineEdit* frmSite::maskedField(SiteField field, const char* name) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QLatin1String(name));
    edit->setInputMask(SiteFieldMask(field));
    const int chars = int(EmptySiteField(field).size()) + 2;
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('W')) * chars);
    return edit;
}

void frmSite::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!loaded_ && !event->spontaneous())
        Form_Load();
}

void frmSite::done(int result) {
    loaded_ = false;
    QDialog::done(result);
}

void frmSite::reject() {
    cmdCancel_Click();
}

void frmSite::unload(int result) {
    if (loading_)
        closeRequest_ = result; // carried out at the end of Form_Load
    else
        done(result);
}

void frmSite::noScope() {
    message(NoScopeText, MsgIcon::Critical);
    unload(QDialog::Rejected);
}

void frmSite::Form_Load() {
    loaded_ = true;
    closeRequest_.reset();
    {
        loading_ = true;
        struct Loading {
            bool& flag;
            ~Loading() { flag = false; }
        } loading{loading_};
        BusyGuard busy;
        loadSteps();
    }
    // The busy cursor's end runs the event loop once, and a window being shown must not close
    // inside show(): a modal run that is starting would wait for a window already hidden. So the
    // close is queued after both, for the event loop of the run.
    if (const std::optional<int> result = closeRequest_) {
        closeRequest_.reset();
        QMetaObject::invokeMethod(
            this, [this, result] { done(*result); }, Qt::QueuedConnection);
    }
}

void frmSite::loadSteps() {
    adjustSize();
    if (const QScreen* screen = this->screen() ? this->screen() : QApplication::primaryScreen()) {
        const QRect r = screen->availableGeometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 3);
    }
    UnsavedChanges = false;
    PendingScopeLoad = false;

    // The zone name is the text before the first NUL.
    char zone[256] = {};
    DstActive = celest32::tz_name(zone, int(sizeof zone)) != 0;
    QString caption = UtcCaption + QStringLiteral("Your TZ = ") + QString::fromLocal8Bit(zone);
    if (DstActive)
        caption += QStringLiteral(" (currently DST)");
    lblUTCOffset->setText(caption);

    QString scopeSiteId;
    try {
        SendCommandBlind(lx::SelectSite4);
        scopeSiteId = SendCommandString(lx::GetSite4Name).left(3);
    } catch (const LostLinkError&) {
        unload(QDialog::Rejected); // the main window's standby says it
        return;
    } catch (const std::exception&) {
        noScope();
        return;
    }

    const auto records = EnumConfigSection(Sites);
    if (!records) {
        message(QStringLiteral("Failed to find \"sites\" section in registry"), MsgIcon::Critical);
        platform::EndProgram(1);
    }
    // The list is filled without selecting anything (a combo box selects its first entry by
    // itself); then every entry whose record begins with the telescope's id is selected in turn,
    // which loads it, so that the last match stays selected.
    {
        const QSignalBlocker block(cbSite);
        cbSite->clear();
        for (const ConfigValue& record : *records)
            cbSite->addItem(record.first.left(255)); // a 256-character name buffer
        cbSite->setCurrentIndex(-1);
        cbSite->setEditText(QString());
    }
    clearFields();
    SiteId.clear();
    for (int i = 0; i < records->size(); ++i) {
        if (records->at(i).second.left(255).left(3) == scopeSiteId) // a 256-byte text buffer
            cbSite->setCurrentIndex(i);
    }

    if (SiteFieldContent(SiteField::Latitude, mskLat->displayText()).isEmpty()) {
        loadScopeSite1();
    } else {
        UnsavedChanges = false;
        PendingScopeLoad = false;
    }
}

// The telescope's site #1 into the fields. Every failed exchange here closes the editor: a reply
// that is lost or garbled leaves nothing sensible to edit. A lost link closes it quietly, the
// main window's standby having said it.
void frmSite::loadScopeSite1() {
    try {
        SendCommandBlind(lx::SelectSite1);
        SendCommandString(lx::GetSite4Name);
        mskLat->setText(
            LatitudeFieldFromScope(ParseScopeAngle(SendCommandString(lx::GetLatitude))));
        mskLong->setText(
            LongitudeFieldFromScope(ParseScopeAngle(SendCommandString(lx::GetLongitude))));
        mskGMT->setText(SendCommandString(lx::GetUtcOffset));
        SendCommandBlind(lx::SelectSite4);
    } catch (const LostLinkError&) {
        unload(QDialog::Rejected);
        return;
    } catch (const std::exception&) {
        noScope();
        return;
    }
    message(QStringLiteral("The scope's site settings don't match any of our sites. The scope's "
                           "current settings for site #1 have been loaded into the fields. To "
                           "create a new site entry, simply fill in the site name and click "
                           "Save. Then click Set to load this site data to scope site #4 (which is "
                           "used by this program)."),
            MsgIcon::Information);
    UnsavedChanges = true;
    PendingScopeLoad = true;
}

void frmSite::clearFields() {
    mskLat->clear();
    mskLong->clear();
    mskGMT->clear();
}

void frmSite::fieldChanged(SiteField field, QLineEdit* edit) {
    if (correcting_) {
        UpdateButtons();
        return;
    }
    UnsavedChanges = true;
    PendingScopeLoad = true;
    const QString content = SiteFieldContent(field, edit->displayText());
    if (!SiteFieldStartsRight(field, content)) {
        // The hemisphere letter or the sign has to come first.
        beep();
        correcting_ = true;
        edit->setCursorPosition(0);
        edit->del(); // a masked field puts the prompt character in the place
        edit->setCursorPosition(0);
        correcting_ = false;
    }
    UpdateButtons();
}

void frmSite::UpdateButtons() {
    const bool allValid =
        !cbSite->currentText().isEmpty() &&
        ValidLat(SiteFieldContent(SiteField::Latitude, mskLat->displayText())) &&
        ValidLong(SiteFieldContent(SiteField::Longitude, mskLong->displayText())) &&
        ValidGMT(SiteFieldContent(SiteField::Offset, mskGMT->displayText()));
    cmdSet->setEnabled(allValid);
    cmdSave->setEnabled(allValid && !JustSelected);
    cmdDelete->setEnabled(JustSelected);
    JustSelected = false;
}

void frmSite::LoadSite() {
    const QString name = cbSite->currentText();
    const QString record = name.isEmpty() ? QString() : GetConfig(Sites, name);
    if (record.isEmpty()) {
        clearFields();
        SiteId.clear();
        return;
    }
    const SiteRecordFields fields = ParseSiteRecord(record);
    SiteId = fields.siteId;
    mskLat->setText(fields.latitude);
    mskLong->setText(fields.longitude);
    mskGMT->setText(fields.offset);
}

void frmSite::cbSite_Click() {
    LoadSite();
    // The fields now show the stored site (or nothing): loading them changed nothing unsaved.
    UnsavedChanges = false;
    JustSelected = true;
    PendingScopeLoad = true;
    UpdateButtons();
}

void frmSite::cmdSave_Click() {
    guarded([this] {
        const QString name = cbSite->currentText();
        if (name.isEmpty())
            return;
        // A record that is replaced keeps its own id, whichever site was shown before, so that
        // no two records share one; a new name (or a record without a usable id) gets a new id.
        const QString existingId = GetConfig(Sites, name).left(3);
        if (usableSiteId(existingId)) {
            SiteId = existingId;
        } else {
            const QString id = NextSiteId();
            if (id.isEmpty())
                return;
            SiteId = id;
        }
        PutConfig(Sites, name,
                  FormatSiteRecord({SiteId, mskLat->displayText(), mskLong->displayText(),
                                    mskGMT->displayText()}));
        JustSelected = true;
        PendingScopeLoad = true;
        UnsavedChanges = false;
        UpdateButtons();
    });
}

void frmSite::cmdDelete_Click() {
    guarded([this] {
        const QString name = cbSite->currentText();
        if (!name.isEmpty())
            DeleteConfig(Sites, name); // a store that cannot be written ends the program
        deleting_ = true;
        struct Deleting {
            bool& flag;
            ~Deleting() { flag = false; }
        } deleting{deleting_};
        // The selected entry, unless a name has been typed over it since.
        if (const int index = cbSite->currentIndex();
            index >= 0 && cbSite->itemText(index) == name) {
            cbSite->removeItem(index);
            cbSite->setCurrentIndex(-1);
        }
        SiteId.clear();
        clearFields();
        PendingScopeLoad = true;
        UpdateButtons();
    });
}

QString frmSite::storedIdOfShown() const {
    const QString name = cbSite->currentText();
    const QString record = name.isEmpty() ? QString() : GetConfig(Sites, name);
    if (record.isEmpty())
        return {};
    const SiteRecordFields stored = ParseSiteRecord(record);
    const auto same = [](SiteField field, const QString& storedText, const QLineEdit* edit) {
        return SiteFieldContent(field, storedText) == SiteFieldContent(field, edit->displayText());
    };
    if (!usableSiteId(stored.siteId) || !same(SiteField::Latitude, stored.latitude, mskLat) ||
        !same(SiteField::Longitude, stored.longitude, mskLong) ||
        !same(SiteField::Offset, stored.offset, mskGMT))
        return {};
    return stored.siteId;
}

bool frmSite::sendSite(int offsetHours, const QString& site4Name) {
    const QString lat = SiteFieldContent(SiteField::Latitude, mskLat->displayText());
    const QString lon = SiteFieldContent(SiteField::Longitude, mskLong->displayText());
    SendCommandBlind(lx::SelectSite4);
    if (!SendCommandBool(lx::SetLatitude, FormatSiteCoordinate(SiteLatitudeDegrees(lat))) ||
        !SendCommandBool(lx::SetLongitude, FormatSiteCoordinate(SiteLongitudeWestDegrees(lon))) ||
        !SendCommandBool(lx::SetUtcOffset, FormatOffsetHours(offsetHours))) {
        message(QStringLiteral("Geodetic coordinate(s) or time offset is bad. Scope coordinates "
                               "are indeterminate!"),
                MsgIcon::Critical);
        return false;
    }
    if (!SendCommandBool(lx::SetSite4Name, site4Name)) {
        message(QStringLiteral("Failed to set the scope's site name."), MsgIcon::Critical);
        return false;
    }
    return true;
}

// Site #4 is named with the id of the stored site shown, or "ZZZ" when the name and fields are
// not exactly a stored site. A lost link ends Set quietly (the main window's standby says it):
// when it comes before the telescope took the whole site, the window stays open with the fields
// as they are, to be saved or set again once the telescope is back; when it comes after, in the
// main window's display update, the window closes without claiming success. Any other failure
// of the port says that site #4 may be half-written and keeps the window open.
void frmSite::cmdSet_Click() {
    guarded([this] {
        const QString offsetText = mskGMT->displayText();
        const QString offsetContent = SiteFieldContent(SiteField::Offset, offsetText);
        if (!ValidGMT(offsetContent))
            return;
        int offsetHours = offsetContent.toInt();
        if (DstActive)
            offsetHours -= 1; // the telescope keeps civil time and needs the current offset

        const double computerHours = celest32::utc_offs() / 3600.0;
        if (computerHours != offsetHours) {
            const QString question =
                QStringLiteral("The UTC offset for this site (") + offsetText +
                QStringLiteral(") is different from the standard time UTC offset (") +
                FormatOffsetHours(int(std::lround(computerHours))) +
                QStringLiteral(") set for your computer. Do you want to continue?");
            if (message(question, MsgIcon::Exclamation, MsgButtons::YesNo) != MsgAnswer::Yes)
                return;
        }
        QString site4Name = storedIdOfShown();
        if (site4Name.isEmpty()) {
            if (message(QStringLiteral("Do you want to set this new or changed site data into the "
                                       "scope without saving it?"),
                        MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes)
                return;
            site4Name = NotAStoredSite;
        }

        try {
            if (!sendSite(offsetHours, site4Name)) {
                unload(QDialog::Rejected);
                return;
            }
        } catch (const LostLinkError&) {
            return;
        } catch (const std::exception& e) {
            message(QString::fromLocal8Bit(e.what()) +
                        QStringLiteral(" while setting the site. The scope's site #4 may be "
                                       "half-written: it can hold a mix of old and new values. "
                                       "Check the connection and click Set again."),
                    MsgIcon::Critical);
            return;
        }
        PendingScopeLoad = false;
        try {
            if (Hooks().UpdateWhatsVis)
                Hooks().UpdateWhatsVis();
            if (Hooks().UpdateScopeCoords)
                Hooks().UpdateScopeCoords();
        } catch (const LostLinkError&) {
            unload(QDialog::Accepted);
            return;
        }
        message(QStringLiteral("Site change complete."), MsgIcon::Information);
        unload(QDialog::Accepted);
    });
}

void frmSite::cmdCancel_Click() {
    if (PendingScopeLoad &&
        message(QStringLiteral("You have made changes to site info. Do you want to quit without "
                               "loading the changes into the scope?"),
                MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes)
        return;
    unload(QDialog::Rejected);
}

} // namespace teleon
