// The site editor: the list of stored observing sites, the fields of the one shown, and loading
// a site into the telescope's site #4, whose name becomes the site's id so that the editor (and
// the next connect) finds the site in use. Data that is not exactly a stored site names site #4
// "ZZZ", the id no stored site has: one id never stands for two places. Modal; opened by the
// main window, the alignment wizard and start-up when no site is stored.
#pragma once

#include "setup/SiteFormat.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace teleon {

class frmSite : public QDialog {
    Q_OBJECT
public:
    explicit frmSite(QWidget* parent = nullptr);

    // Opening steps: the time-zone caption, the telescope's site #4, the stored sites and the
    // one that matches, or the telescope's site #1 when none does. Runs by itself the first time
    // the window is shown after construction or after it was closed. Without a telescope it
    // shows "No scope available. Can't create or edit sites now." and the window closes (at the
    // next turn of the event loop when it is being opened).
    void Form_Load();
    // The stored site named in the name box into the fields, or empty fields.
    void LoadSite();
    // Enables Set, Save and Delete from the field checks; consumes JustSelected.
    void UpdateButtons();

    // Event handlers, as the controls call them.
    void cbSite_Click(); // a list entry was chosen
    void cmdSave_Click();
    void cmdDelete_Click();
    void cmdSet_Click();
    void cmdCancel_Click();

    // Dialog state.
    QString SiteId;
    bool JustSelected = false;
    bool UnsavedChanges = false;
    bool PendingScopeLoad = false;
    bool DstActive = false;

    QComboBox* cbSite;
    QLineEdit *mskLat, *mskLong, *mskGMT;
    QLabel* lblUTCOffset;
    QPushButton *cmdSet, *cmdSave, *cmdDelete, *cmdCancel;

protected:
    void showEvent(QShowEvent* event) override;
    // Closing (Set, the no-telescope message) unloads: the next show loads again.
    void done(int result) override;
    // Escape and the close box ask as Cancel does.
    void reject() override;

private:
    QLineEdit* maskedField(SiteField field, const char* name);
    void fieldChanged(SiteField field, QLineEdit* edit);
    void clearFields();
    // Closes the window; while it is being opened the close waits for the event loop, so that
    // an exec() that is starting is not left without a visible window.
    void unload(int result);
    void noScope();
    // The opening's steps, with the busy cursor on.
    void loadSteps();
    // The opening's step 6: the telescope's site #1 into the fields.
    void loadScopeSite1();
    // The id of the stored site that the name and the fields show exactly, or "" when they
    // show a new name, changed fields, or a record without a usable id.
    QString storedIdOfShown() const;
    // Set's exchanges, site #4 named site4Name; false when a refusal ended them (its message
    // shown).
    bool sendSite(int offsetHours, const QString& site4Name);

    QString initialUtcCaption_;
    bool loaded_ = false;
    bool loading_ = false;
    std::optional<int> closeRequest_; // a close asked for while loading
    bool correcting_ = false;
    bool deleting_ = false;
};

} // namespace teleon
