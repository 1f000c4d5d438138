#include "BaseFormXEP_MaintainDialogUnit.h"

#include "XEP_DialogService.h"
#include "XEP_FormPlacement.h"
#include "XEP_Help.h"
#include "XEP_ResourceStr.h"

#include "Components/Core/SysExceptions.h"
#include "Components/DataControls/TDBGrid.h"
#include "Components/DataControls/TDataControls.h"
#include "Components/DataControls/TDataSource.h"
#include "Components/GridExport/TExportFileTypes.h"
#include "Components/GridExport/TGridExporter.h"
#include "Components/RecordSet/TRecordSet.h"
#include "Components/Settings/TXmlSettingsFile.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {
constexpr int GridLineHeight = 17;
} // namespace

TBaseFormXEP_MaintainDialogForm::TBaseFormXEP_MaintainDialogForm(QWidget* parent)
    : TBaseFormXEP_BottomDialogForm(parent), dsMaintain(new TDataSource(this)),
      dbgMaintain(new TDBGrid(ClientArea())),
      btnHelp(new QPushButton(QStringLiteral("&Help"), this)) {
    setObjectName(QStringLiteral("BaseFormXEP_MaintainDialogForm"));
    setWindowTitle(QStringLiteral("Maintenance"));
    resize(661, 264);

    dbgMaintain->setObjectName(QStringLiteral("dbgMaintain"));
    dbgMaintain->SetDataSource(dsMaintain);
    dbgMaintain->SetDefaultRowHeight(GridLineHeight);
    dbgMaintain->SetTitleHeight(GridLineHeight);
    dbgMaintain->SetReadOnlyColor(palette().color(QPalette::Button));
    dbgMaintain->horizontalHeader()->setSectionsMovable(true);
    auto* gridLayout = new QVBoxLayout(ClientArea());
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->addWidget(dbgMaintain);

    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    btnHelp->setFixedSize(75, 25);
    btnHelp->setAutoDefault(false);
    ButtonRow()->addWidget(btnHelp);
    // OK and Cancel run their own steps before closing.
    disconnect(btnOk, nullptr, this, nullptr);
    disconnect(btnCancel, nullptr, this, nullptr);
    connect(btnOk, &QPushButton::clicked, this,
            [this] { TDataControls::Guard([this] { btnOkClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this,
            [this] { TDataControls::Guard([this] { btnCancelClick(); }); });
    connect(btnHelp, &QPushButton::clicked, this, [this] { btnHelpClick(); });
    setTabOrder(dbgMaintain, btnOk);
    setTabOrder(btnOk, btnCancel);
    setTabOrder(btnCancel, btnHelp);

    auto action = [this](const char* name, const char* caption, const char* hint,
                         QKeySequence shortcut) {
        auto* a = new QAction(QLatin1String(caption), this);
        a->setObjectName(QLatin1String(name));
        if (hint) a->setToolTip(QLatin1String(hint));
        if (hint) a->setStatusTip(QLatin1String(hint));
        if (!shortcut.isEmpty()) {
            a->setShortcut(shortcut);
            a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            addAction(a);
        }
        return a;
    };
    aEdit = action("aEdit", "Edit", "Open For Edit", {});
    aEdit->setEnabled(false);
    aInsert = action("aInsert", "Insert", "Insert Row", QKeySequence(Qt::Key_Insert));
    aDelete = action("aDelete", "Delete", "Delete Row", QKeySequence(Qt::CTRL | Qt::Key_Delete));
    aExport = action("aExport", "Export", nullptr, {});
    connect(aEdit, &QAction::triggered, this,
            [this] { TDataControls::Guard([this] { aEditExecute(); }); });
    connect(aInsert, &QAction::triggered, this,
            [this] { TDataControls::Guard([this] { aInsertExecute(); }); });
    connect(aDelete, &QAction::triggered, this,
            [this] { TDataControls::Guard([this] { aDeleteExecute(); }); });
    connect(aExport, &QAction::triggered, this,
            [this] { TDataControls::Guard([this] { aExportExecute(); }); });
    MaintainOptionsPopup = new QMenu(this);
    MaintainOptionsPopup->setObjectName(QStringLiteral("MaintainOptionsPopup"));
    MaintainOptionsPopup->addActions({aEdit, aInsert, aDelete});
    MaintainOptionsPopup->addSeparator();
    MaintainOptionsPopup->addAction(aExport);
    dbgMaintain->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(dbgMaintain, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        MaintainOptionsPopup->popup(dbgMaintain->viewport()->mapToGlobal(at));
    });
}

TBaseFormXEP_MaintainDialogForm::~TBaseFormXEP_MaintainDialogForm() = default;

TRecordSet* TBaseFormXEP_MaintainDialogForm::Table() const {
    return dsMaintain->DataSet();
}

QString TBaseFormXEP_MaintainDialogForm::GetSettingsDir() const {
    const TFormPlacementConfig* config = FormPlacementConfig();
    return config ? config->SettingsDir : QString();
}

QString TBaseFormXEP_MaintainDialogForm::SettingsFileName() const {
    return GetSettingsDir() + QStringLiteral("Plenksettings.xml");
}

// ---- The record of changes ----

namespace {
// The changed mark of each table while its changes are recorded, to put back on an undo.
QHash<const TRecordSet*, int>& MarksBefore() {
    static QHash<const TRecordSet*, int> marks;
    return marks;
}
} // namespace

void TBaseFormXEP_MaintainDialogForm::BackupRecordset(TRecordSet& DataSet) {
    DataSet.BeginUndoRecord();
    MarksBefore().insert(&DataSet, DataSet.Tag);
}

void TBaseFormXEP_MaintainDialogForm::RestoreRecordset(TRecordSet& DataSet) {
    if (!DataSet.Active() || !DataSet.UndoRecording()) return;
    DataSet.UndoChanges();
    DataSet.Tag = MarksBefore().take(&DataSet);
}

void TBaseFormXEP_MaintainDialogForm::KeepRecordset(TRecordSet& DataSet) {
    DataSet.EndUndoRecord();
    MarksBefore().remove(&DataSet);
}

bool TBaseFormXEP_MaintainDialogForm::CommitTable() {
    TRecordSet* table = Table();
    if (!table) return true;
    try {
        // A new row the user put nothing into is dropped, not posted: the table's rules
        // would refuse it for the fields it lacks.
        dbgMaintain->DropBlankNewRow();
        table->CommitUpdates();
        return true;
    } catch (const EAbort&) {
        return false;
    } catch (const Exception& e) {
        // The rule's message; the dialog stays open on the row it refused, with the keyboard
        // back in the grid (OK was clicked, so the button had it) to fill in what is missing.
        TDialogService::Instance().ShowError(e.Message());
        dbgMaintain->setFocus(Qt::OtherFocusReason);
        return false;
    }
}

// ---- Showing and leaving ----

void TBaseFormXEP_MaintainDialogForm::FormShow() {
    mrCloseType = 0;
    if (TRecordSet* table = Table()) {
        table->CommitUpdates();
        BackupRecordset(*table);
    }
}

void TBaseFormXEP_MaintainDialogForm::showEvent(QShowEvent* event) {
    TBaseFormXEP_BottomDialogForm::showEvent(event);
    if (FShown) return;
    FShown = true;
    ReadStoredSettings();
    // The keyboard starts in the grid (a derived dialog's FormShow may put it elsewhere).
    if (dbgMaintain->isVisibleTo(this)) dbgMaintain->setFocus(Qt::OtherFocusReason);
    TDataControls::Guard([this] { FormShow(); });
}

void TBaseFormXEP_MaintainDialogForm::btnOkClick() {
    mrCloseType = 1;
    if (!CommitTable()) {
        mrCloseType = 0;
        return;
    }
    done(QDialog::Accepted);
}

void TBaseFormXEP_MaintainDialogForm::btnCancelClick() {
    mrCloseType = 2;
    if (TRecordSet* table = Table()) RestoreRecordset(*table);
    done(QDialog::Rejected);
}

void TBaseFormXEP_MaintainDialogForm::reject() {
    // Escape presses Cancel.
    TDataControls::Guard([this] { btnCancelClick(); });
}

bool TBaseFormXEP_MaintainDialogForm::FormCloseQuery() {
    if (mrCloseType != 0) return true;
    switch (TDialogService::Instance().YesNoCancel(sApplyChanges())) {
    case TDialogAnswer::Yes:
        mrCloseType = 1;
        if (!CommitTable()) {
            mrCloseType = 0;
            return false;
        }
        return true;
    case TDialogAnswer::No:
        mrCloseType = 2;
        if (TRecordSet* table = Table()) RestoreRecordset(*table);
        return true;
    case TDialogAnswer::Cancel:
        break;
    }
    return false;
}

void TBaseFormXEP_MaintainDialogForm::closeEvent(QCloseEvent* event) {
    bool canClose = false;
    TDataControls::Guard([&] { canClose = FormCloseQuery(); });
    if (!canClose) {
        event->ignore();
        return;
    }
    event->accept();
    done(mrCloseType == 1 ? QDialog::Accepted : QDialog::Rejected);
}

void TBaseFormXEP_MaintainDialogForm::done(int result) {
    WriteStoredSettings();
    // What was not undone is kept.
    if (TRecordSet* table = Table()) KeepRecordset(*table);
    TBaseFormXEP_BottomDialogForm::done(result);
}

// ---- Actions ----

void TBaseFormXEP_MaintainDialogForm::aInsertExecute() {
    // The grid starts the row, so that it can tell whether anything is put into it.
    if (Table()) dbgMaintain->AppendRow();
}

void TBaseFormXEP_MaintainDialogForm::aDeleteExecute() {
    TRecordSet* table = Table();
    if (!table) return;
    table->Edit();
    table->Delete();
}

namespace {
// Where the last export went: its folder, file name and type, kept for every grid of the
// program in the settings file, so the next export starts there.
struct TExportPlace {
    QString Folder;
    QString FileName;
    int Type = 1;
};
const QString ExportSection = QStringLiteral("Export\\");

TExportPlace ReadExportPlace(const QString& settingsFile) {
    TExportPlace place;
    place.Folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (place.Folder.isEmpty() || !QDir(place.Folder).exists()) place.Folder = QDir::homePath();
    place.FileName = ExportDefaultFileName();
    if (settingsFile.isEmpty()) return place;
    TXmlSettingsFile settings(settingsFile, QStringLiteral("Configuration"));
    if (!settings.Load()) return place;
    const QString folder = settings.ReadString(ExportSection, QStringLiteral("Folder"), QString());
    if (!folder.isEmpty() && QDir(folder).exists()) place.Folder = folder;
    place.FileName = settings.ReadString(ExportSection, QStringLiteral("FileName"), place.FileName);
    const int type = settings.ReadInteger(ExportSection, QStringLiteral("Type"), 1);
    if (type >= 1 && type <= ExportTypeCount) place.Type = type;
    return place;
}

void WriteExportPlace(const QString& settingsFile, const QString& fileName, int type) {
    if (settingsFile.isEmpty()) return;
    TXmlSettingsFile settings(settingsFile, QStringLiteral("Configuration"));
    settings.Load();
    const QFileInfo file(fileName);
    settings.WriteString(ExportSection, QStringLiteral("Folder"), file.absolutePath());
    settings.WriteString(ExportSection, QStringLiteral("FileName"), file.fileName());
    settings.WriteInteger(ExportSection, QStringLiteral("Type"), type);
    settings.Save();
}
} // namespace

void TBaseFormXEP_MaintainDialogForm::aExportExecute() {
    TRecordSet* table = Table();
    if (!table) return;
    const QString settingsFile = GetSettingsDir().isEmpty() ? QString() : SettingsFileName();
    const TExportPlace last = ReadExportPlace(settingsFile);
    int type = last.Type;
    QString fileName = TDialogService::Instance().SaveFileNameTyped(
        ExportDialogTitle(), ExportFilterEntries(),
        QDir(last.Folder).filePath(ChangeExportExtension(last.FileName, type)),
        ChangeExportExtension, type);
    if (fileName.isEmpty()) return;
    if (type < 1 || type > ExportTypeCount)
        throw EExportError(
            QStringLiteral("Cannot export to \"%1\": choose one of the file types offered")
                .arg(QDir::toNativeSeparators(fileName)));
    // A name typed without an extension gets the chosen type's.
    if (QFileInfo(fileName).suffix().isEmpty()) fileName += ExportTypeExtension(type);
    // The grid's visible, field-bound columns in the order the user sees them.
    QList<TExportColumn> columns;
    const QHeaderView* header = dbgMaintain->horizontalHeader();
    const auto& gridColumns = dbgMaintain->Columns();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical < 0 || logical >= int(gridColumns.size())) continue;
        const TDBGridColumn& column = gridColumns[size_t(logical)];
        columns.append({column.FieldName, column.Title, dbgMaintain->columnWidth(logical),
                        column.Visible && !dbgMaintain->isColumnHidden(logical)});
    }
    {
        // Shown only when the export takes longer than half a second; modal, so that it is
        // painted while the rows are written.
        QProgressDialog progress(this);
        progress.setWindowModality(Qt::WindowModal);
        progress.setCancelButton(nullptr);
        progress.setMinimumDuration(500);
        progress.setAutoClose(false);
        progress.setAutoReset(false);
        ExportRecordSet(type, *table, columns, fileName, [&progress](const TExportProgress& step) {
            progress.setWindowTitle(step.Caption);
            progress.setLabelText(step.Text());
            progress.setMaximum(std::max(1, step.Count));
            progress.setValue(step.Position);
        });
    }
    WriteExportPlace(settingsFile, fileName, type);
}

void TBaseFormXEP_MaintainDialogForm::btnHelpClick() {
    ShowHelpTopic(FHelpString.isEmpty() ? QStringLiteral("Welcome") : FHelpString);
}

// ---- Stored layout ----

void TBaseFormXEP_MaintainDialogForm::ReadStoredSettings() {
    if (GetSettingsDir().isEmpty()) return;
    TXmlSettingsFile settings(SettingsFileName(), QStringLiteral("Configuration"));
    if (!settings.Load()) return;
    const QString section = objectName() + QLatin1Char('\\');
    if (settings.ValueExists(section, QStringLiteral("Width"))) {
        resize(settings.ReadInteger(section, QStringLiteral("Width"), width()),
               settings.ReadInteger(section, QStringLiteral("Height"), height()));
        move(settings.ReadInteger(section, QStringLiteral("Left"), x()),
             settings.ReadInteger(section, QStringLiteral("Top"), y()));
        if (settings.ReadBoolean(section, QStringLiteral("Maximized"), false))
            setWindowState(Qt::WindowMaximized);
    }
    QHeaderView* header = dbgMaintain->horizontalHeader();
    const auto& columns = dbgMaintain->Columns();
    // Widths first, then the order: each column moves to its stored place, lowest first.
    std::vector<std::pair<int, int>> places; // (position, logical column)
    for (int i = 0; i < int(columns.size()); ++i) {
        const QString key =
            dbgMaintain->objectName() + QLatin1Char('_') + columns[size_t(i)].FieldName;
        const int width = settings.ReadInteger(section, key + QStringLiteral("_Width"), -1);
        if (width > 0) dbgMaintain->setColumnWidth(i, width);
        const int position = settings.ReadInteger(section, key + QStringLiteral("_Position"), -1);
        if (position >= 0) places.emplace_back(position, i);
    }
    std::sort(places.begin(), places.end());
    for (const auto& [position, logical] : places) {
        if (position < header->count()) header->moveSection(header->visualIndex(logical), position);
    }
}

void TBaseFormXEP_MaintainDialogForm::WriteStoredSettings() {
    if (GetSettingsDir().isEmpty()) return;
    TXmlSettingsFile settings(SettingsFileName(), QStringLiteral("Configuration"));
    settings.Load();
    const QString section = objectName() + QLatin1Char('\\');
    settings.WriteBoolean(section, QStringLiteral("Maximized"), isMaximized());
    settings.WriteInteger(section, QStringLiteral("Left"), x());
    settings.WriteInteger(section, QStringLiteral("Top"), y());
    settings.WriteInteger(section, QStringLiteral("Width"), width());
    settings.WriteInteger(section, QStringLiteral("Height"), height());
    const QHeaderView* header = dbgMaintain->horizontalHeader();
    const auto& columns = dbgMaintain->Columns();
    for (int i = 0; i < int(columns.size()); ++i) {
        const QString key =
            dbgMaintain->objectName() + QLatin1Char('_') + columns[size_t(i)].FieldName;
        settings.WriteInteger(section, key + QStringLiteral("_Position"), header->visualIndex(i));
        settings.WriteInteger(section, key + QStringLiteral("_Width"), dbgMaintain->columnWidth(i));
    }
    settings.Save(); // a settings file that cannot be written costs only the layout
}
