#include "HistoryGenerator.h"

#include "Components/Core/SysDateTime.h"

#include <QDir>
#include <QFile>
#include <random>

void DefineHistoryFields(TRecordSet& rs) {
    rs.AddField(QStringLiteral("JobId"), TFieldType::Integer);
    rs.AddField(QStringLiteral("TaskCode"), TFieldType::String, 10);
    rs.AddField(QStringLiteral("TaskDescription"), TFieldType::String, 40);
    rs.AddField(QStringLiteral("ProjectNumber"), TFieldType::Integer);
    rs.AddField(QStringLiteral("ClientId"), TFieldType::Integer);
    rs.AddField(QStringLiteral("UserId"), TFieldType::Integer);
    rs.AddField(QStringLiteral("DateTimeSubmitted"), TFieldType::DateTime);
    rs.AddField(QStringLiteral("Duration"), TFieldType::Time);
    rs.AddField(QStringLiteral("DailyRate"), TFieldType::Currency);
    rs.AddField(QStringLiteral("InvoiceNumber"), TFieldType::Integer);
    rs.AddField(QStringLiteral("AuthUserId"), TFieldType::Integer);
    rs.AddField(QStringLiteral("Completed"), TFieldType::Boolean);
}

double HistoryStartDay() {
    return DateToDayNumber(QDate(2000, 1, 1));
}

void FillHistory(TRecordSet& rs, int rows) {
    std::mt19937 random(12345);
    const double start = HistoryStartDay();
    const int days = 3653;
    TField& jobId = rs.FieldByName(QStringLiteral("JobId"));
    TField& code = rs.FieldByName(QStringLiteral("TaskCode"));
    TField& description = rs.FieldByName(QStringLiteral("TaskDescription"));
    TField& project = rs.FieldByName(QStringLiteral("ProjectNumber"));
    TField& client = rs.FieldByName(QStringLiteral("ClientId"));
    TField& user = rs.FieldByName(QStringLiteral("UserId"));
    TField& submitted = rs.FieldByName(QStringLiteral("DateTimeSubmitted"));
    TField& duration = rs.FieldByName(QStringLiteral("Duration"));
    TField& rate = rs.FieldByName(QStringLiteral("DailyRate"));
    TField& invoice = rs.FieldByName(QStringLiteral("InvoiceNumber"));
    TField& auth = rs.FieldByName(QStringLiteral("AuthUserId"));
    TField& completed = rs.FieldByName(QStringLiteral("Completed"));
    rs.DisableControls();
    for (int i = 0; i < rows; ++i) {
        const int task = int(random() % 300);
        rs.Append();
        jobId.SetAsInteger(task + 1);
        code.SetAsString(QStringLiteral("T%1").arg(task, 4, 10, QLatin1Char('0')));
        description.SetAsString(QStringLiteral("Work on deliverable number %1").arg(task));
        project.SetAsInteger(-(task % 40));
        client.SetAsInteger(-(task % 12));
        user.SetAsInteger(-int(random() % 8));
        // Rows arrive in submission order: the date grows with the row number.
        submitted.SetAsDateTime(start + double(qint64(i) * days / rows));
        duration.SetAsDateTime(double(15 + random() % 450) / MinutesPerDay);
        rate.SetAsCurrencyUnits(qint64(random() % 1000000));
        invoice.SetAsInteger(random() % 5 == 0 ? int(random() % 500) : 0);
        auth.SetAsInteger(0);
        completed.SetAsBoolean(random() % 3 == 0);
        rs.Post();
    }
    rs.EnableControls();
}

QString HistoryFile(int rows) {
    const QString name =
        QDir::temp().filePath(QStringLiteral("tivrel-bench-history-%1.xml").arg(rows));
    if (QFile::exists(name)) return name;
    TRecordSet rs;
    DefineHistoryFields(rs);
    rs.CreateDataSet();
    FillHistory(rs, rows);
    rs.SaveToFile(name);
    return name;
}
