#include "StoreGenerator.h"

#include "BaseUnits/XEP_Utils_Unit.h"

#include "Components/Core/SysDateTime.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QSettings>

namespace {
TField& F(TRecordSet& table, const char* name) {
    return table.FieldByName(QLatin1String(name));
}

QString CodeName(int index) {
    return QStringLiteral("T%1").arg(index, 4, 10, QLatin1Char('0'));
}

// Ten years of history, 1 January 2016 onwards.
double HistoryStartDay() {
    return DateToDayNumber(QDate(2016, 1, 1));
}
} // namespace

QString StoreDataDir(const QString& workDir) {
    return workDir + QStringLiteral("/Store/");
}

TDataModuleOptions StoreOptions(const QString& workDir) {
    const QString appDir = workDir + QStringLiteral("/App/Tivrel");
    if (!QFile::exists(appDir + QStringLiteral("/Portable.ini"))) {
        QDir().mkpath(appDir);
        QFile marker(appDir + QStringLiteral("/Portable.ini"));
        marker.open(QIODevice::WriteOnly);
    }
    TDataModuleOptions options;
    options.ExeName = appDir + QStringLiteral("/tivrel");
    options.DataDir = StoreDataDir(workDir);
    const QString registry = workDir + QStringLiteral("/registry.ini");
    options.RegistryFactory = [registry](const QString&) {
        return std::make_unique<QSettings>(registry, QSettings::IniFormat);
    };
    return options;
}

void AppendHistoryRow(TRecordSet& history, int index) {
    const int code = index % 200;
    const double submitted = HistoryStartDay() + double(index % 3650) + 0.75;
    history.Append();
    F(history, "TaskCode").SetAsString(CodeName(code));
    F(history, "TaskDescription")
        .SetAsString(QStringLiteral("Work on deliverable number %1").arg(code));
    F(history, "DateTimeCreated").SetAsDateTime(submitted - 30);
    F(history, "DateTimeAmended").SetAsDateTime(submitted - 1);
    F(history, "Active").SetAsBoolean(false);
    F(history, "Completed").SetAsBoolean(index % 7 == 0);
    F(history, "DateTimeSubmitted").SetAsDateTime(submitted);
    F(history, "Duration").SetAsDateTime(double(15 + (index * 37) % 450) / 1440.0);
    F(history, "ProjectNumber").SetAsInteger(-(code % 40));
    F(history, "ClientId").SetAsInteger(-(code % 12));
    F(history, "UserId").SetAsInteger(-(index % 8));
    F(history, "InvoiceNumber").SetAsInteger(index % 5 == 0 ? index % 500 + 1 : 0);
    F(history, "AuthUserId").SetAsInteger(index % 4 == 0 ? -(index % 8) : 0);
    history.Post();
}

void MakeStore(const QString& workDir, const TStoreShape& shape) {
    TdmTasks_Form dm(nullptr, StoreOptions(workDir));
    dm.SetSetupRequired(false);

    for (int i = 1; i <= shape.Clients; ++i) {
        dm.adsClients.Append(); // numbered by the data module: -1, -2, …
        F(dm.adsClients, "ClientName").SetAsString(QStringLiteral("Client %1").arg(i));
        F(dm.adsClients, "ContactFirstName").SetAsString(QStringLiteral("Alex"));
        F(dm.adsClients, "ContactLastName").SetAsString(QStringLiteral("Contact %1").arg(i));
        dm.adsClients.Post();
    }
    for (int i = 1; i <= shape.Projects; ++i) {
        dm.adsProjects.Append();
        F(dm.adsProjects, "ProjectName").SetAsString(QStringLiteral("Project %1").arg(i));
        F(dm.adsProjects, "DailyRate").SetAsCurrency(400 + i);
        F(dm.adsProjects, "CompletionDate").SetAsDateTime(DateToDayNumber(QDate(2027, 6, 30)));
        dm.adsProjects.Post();
    }
    for (int i = 1; i <= shape.Users; ++i) {
        dm.adsUsers.Append();
        F(dm.adsUsers, "FirstName").SetAsString(QStringLiteral("User"));
        F(dm.adsUsers, "LastName").SetAsString(QString::number(i));
        F(dm.adsUsers, "SignOn").SetAsString(QStringLiteral("user%1").arg(i));
        F(dm.adsUsers, "Password").SetAsString(QStringLiteral("secret"));
        dm.adsUsers.Post();
    }
    for (int i = 0; i < shape.TaskCodes; ++i) {
        dm.adsTaskCodes.Append();
        F(dm.adsTaskCodes, "TaskCode").SetAsString(CodeName(i));
        F(dm.adsTaskCodes, "TaskDescription")
            .SetAsString(QStringLiteral("Work on deliverable number %1").arg(i));
        F(dm.adsTaskCodes, "ProjectNumber").SetAsInteger(-(i % shape.Projects) - 1);
        dm.adsTaskCodes.Post();
    }
    dm.adsTasks.First();
    for (int i = 0; i < shape.Tasks - 1; ++i) { // the seeded GEN task is the first
        dm.adsTasks.Append();
        F(dm.adsTasks, "TaskCode").SetAsString(CodeName(i));
        F(dm.adsTasks, "ClientId").SetAsInteger(-(i % shape.Clients) - 1);
        F(dm.adsTasks, "MonDuration").SetAsFloat(double(i % 8) / 24.0);
        F(dm.adsTasks, "TueDuration").SetAsFloat(double(i % 5) / 24.0);
        dm.adsTasks.Post();
    }

    TRecordSet& history = dm.adsReporting;
    history.DisableControls();
    for (int i = 0; i < shape.HistoryRows; ++i)
        AppendHistoryRow(history, i);
    history.EnableControls();
    dm.SaveData();
}
