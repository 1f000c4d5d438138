#pragma once
// A set-up store with masters and history rows added by hand, and the criteria record of the
// reports window.

#include "Reports/Reporting_Chart_Unit.h"
#include "UserLayer/DataModuleFixture.h"

#include "Components/Core/SysDateTime.h"

#include <ostream>

// Failures show texts as texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

class ReportTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        StartSetUp();
        CreateReportDetails(details);
    }

    static double Day(int y, int m, int d) { return DateToDayNumber(QDate(y, m, d)); }

    void AddProject(int number, const char* name) {
        TRecordSet& p = dm->adsProjects;
        p.Append();
        F(p, "ProjectNumber").SetAsInteger(number);
        F(p, "ProjectName").SetAsString(QLatin1String(name));
        p.Post();
    }
    void AddClient(int id, const char* name) {
        TRecordSet& c = dm->adsClients;
        c.Append();
        F(c, "ClientId").SetAsInteger(id);
        F(c, "ClientName").SetAsString(QLatin1String(name));
        c.Post();
    }
    void AddTaskCode(const char* code, const char* description, double dailyRate, int project = 0) {
        TRecordSet& t = dm->adsTaskCodes;
        t.Append();
        F(t, "TaskCode").SetAsString(QLatin1String(code));
        F(t, "TaskDescription").SetAsString(QLatin1String(description));
        F(t, "DailyRate").SetAsFloat(dailyRate);
        F(t, "ProjectNumber").SetAsInteger(project);
        t.Post();
    }
    // One submitted day of a task: its time in minutes.
    void AddHistory(const char* code, int project, int client, int user, double submitted,
                    int minutes, bool completed = false) {
        TRecordSet& h = dm->adsReporting;
        h.Append();
        F(h, "TaskCode").SetAsString(QLatin1String(code));
        F(h, "ProjectNumber").SetAsInteger(project);
        F(h, "ClientId").SetAsInteger(client);
        F(h, "UserId").SetAsInteger(user);
        F(h, "DateTimeSubmitted").SetAsDateTime(submitted);
        F(h, "Duration").SetAsFloat(minutes * Minute);
        F(h, "Active").SetAsBoolean(false);
        F(h, "Completed").SetAsBoolean(completed);
        F(h, "InvoiceNumber").SetAsInteger(0);
        F(h, "AuthUserId").SetAsInteger(0);
        h.Post();
    }

    void Choose(int report, bool all = true, int key = 0) {
        details.Edit();
        F(details, "ReportNumber").SetAsInteger(report);
        for (const char* name : {"AllProjects", "AllClients", "AllUsers"})
            F(details, name).SetAsBoolean(all);
        for (const char* name : {"ProjectNumber", "ClientId", "UserId"})
            F(details, name).SetAsInteger(key);
        details.Post();
    }

    void Populate(double from, double to) { PopulateChartandReport(*dm, details, from, to); }

    // The chart rows as "code/project/client/user=minutes".
    QStringList ChartRows() {
        QStringList rows;
        TRecordSet& c = dm->adsChartData;
        for (c.First(); !c.Eof(); c.Next())
            rows << QStringLiteral("%1/%2/%3/%4=%5")
                        .arg(F(c, "TaskCode").AsString())
                        .arg(F(c, "ProjectNumber").AsInteger())
                        .arg(F(c, "ClientId").AsInteger())
                        .arg(F(c, "UserId").AsInteger())
                        .arg(qRound(F(c, "Duration").AsFloat() / Minute));
        return rows;
    }

    TRecordSet details;
};
