#pragma once
// The base of every dialog that edits one table of the store. Showing it commits the table's
// pending changes and starts a record of the changes made to the table (each row changed,
// added or deleted, as it was: never a copy of the whole table, which for the history would be
// a million rows); OK keeps everything done, Cancel (or Escape) undoes every recorded change,
// and closing the window any other way asks which of the two the user wants. A grid over the table
// offers insert, delete and export, paints read-only columns grey, and keeps its column layout in
// the shared settings file "Plenksettings.xml" of the settings directory.
//
// A new row that nothing was put into (started by Insert or by Down on the last row) never
// holds the user up: Delete, Escape in the grid, leaving the grid, another row and OK all
// drop it. A row with something in it is posted, and a rule that refuses it says which field
// it lacks.
//
// A derived dialog binds dsMaintain to its table, sets the grid's columns and its help topic.

#include "BaseFormXEP_BottomDialogUnit.h"

class QAction;
class QMenu;
class TDataSource;
class TDBGrid;
class TRecordSet;
class TXmlSettingsFile;

class TBaseFormXEP_MaintainDialogForm : public TBaseFormXEP_BottomDialogForm {
    Q_OBJECT
public:
    explicit TBaseFormXEP_MaintainDialogForm(QWidget* parent = nullptr);
    ~TBaseFormXEP_MaintainDialogForm() override;

    TDataSource* dsMaintain;
    TDBGrid* dbgMaintain;
    QPushButton* btnHelp;
    QAction *aEdit, *aInsert, *aDelete, *aExport;
    QMenu* MaintainOptionsPopup;
    int mrCloseType = 0; // 0 none yet, 1 OK, 2 Cancel

    const QString& HelpString() const { return FHelpString; }
    void SetHelpString(const QString& Value) { FHelpString = Value; }

    virtual void EditItem() {}
    QString GetSettingsDir() const;
    QString SettingsFileName() const;

    virtual void FormShow();
    void btnOkClick();
    // Puts the snapshot back and closes the dialog; Escape and the Cancel button both come
    // here, so a dialog that snapshots more than its table extends this.
    virtual void btnCancelClick();
    // Asks how to leave when neither OK nor Cancel was pressed; false keeps the dialog open.
    virtual bool FormCloseQuery();
    void aInsertExecute();
    void aDeleteExecute();
    void aEditExecute() { EditItem(); }
    void aExportExecute();
    void btnHelpClick();

    // Starts recording the changes made to the table, and the changed mark it has now.
    static void BackupRecordset(TRecordSet& DataSet);
    // Undoes every change recorded since BackupRecordset: the table holds exactly the rows and
    // values it held then, pending edits dropped, and its changed mark is as it was.
    static void RestoreRecordset(TRecordSet& DataSet);
    // Keeps the changes recorded and stops recording.
    static void KeepRecordset(TRecordSet& DataSet);

protected:
    TRecordSet* Table() const;
    // Drops a blank new row and commits the table; a rule's refusal is shown and false
    // returned (the dialog stays open).
    bool CommitTable();
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void done(int result) override;

    QString FHelpString;

private:
    void ReadStoredSettings();
    void WriteStoredSettings();
    bool FShown = false;
};
