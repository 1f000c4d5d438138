#pragma once
// The program's own executable run as a user runs it from a terminal or a script: each test
// has stores of its own in a temporary folder, a home and a runtime folder of its own (so the
// command sockets are the test's), and Central European time, the time zone the peers'
// fixture files were written in.

#include "support/TTimeZoneSet.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>
#include <map>

struct TCommandRun {
    int Code = -1;
    QString Out, Err;
};

class CommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FTemp.isValid());
        QDir().mkpath(Path(QStringLiteral("home")));
        QDir().mkdir(Path(QStringLiteral("run")),
                     QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        FEnvironment = QProcessEnvironment::systemEnvironment();
        FEnvironment.insert(QStringLiteral("HOME"), Path(QStringLiteral("home")));
        FEnvironment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                            Path(QStringLiteral("home/.config")));
        FEnvironment.insert(QStringLiteral("XDG_RUNTIME_DIR"), Path(QStringLiteral("run")));
        FEnvironment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        FEnvironment.insert(QStringLiteral("TZ"), QStringLiteral("Europe/Berlin"));
    }

    QString Path(const QString& name) const { return FTemp.path() + QLatin1Char('/') + name; }

    static QString Fixture(const QString& name) {
        return QStringLiteral(TIVREL_SOURCE_DIR "/tests/Interop/fixtures/") + name;
    }

    // Runs the program with its arguments and waits for it to end.
    TCommandRun Run(const QStringList& arguments) {
        QProcess process;
        process.setProcessEnvironment(FEnvironment);
        process.setWorkingDirectory(FTemp.path());
        process.start(QStringLiteral(TIVREL_PROGRAM), arguments);
        EXPECT_TRUE(process.waitForFinished(60000))
            << arguments.join(QLatin1Char(' ')).toStdString();
        TCommandRun run;
        run.Code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.Out = QString::fromUtf8(process.readAllStandardOutput());
        run.Err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }
    TCommandRun RunOn(const QString& store, QStringList arguments) {
        arguments.prepend(Path(store));
        arguments.prepend(QStringLiteral("--data-dir"));
        return Run(arguments);
    }

    // A store that has been set up: the seeded tables, written by a time file's import.
    QString NewStore(const QString& name) {
        const QString timeFile = Path(name + QStringLiteral(".tim"));
        EXPECT_EQ(RunOn(name, {QStringLiteral("export-time"), timeFile}).Code, 0);
        EXPECT_EQ(RunOn(name, {QStringLiteral("import-time"), timeFile}).Code, 0);
        return name;
    }

    // The store's history rows as export-history writes them in JSON.
    QJsonArray HistoryRows(const QString& store) {
        const QString out = Path(store + QStringLiteral("-history.json"));
        const TCommandRun run =
            RunOn(store, {QStringLiteral("export-history"), QStringLiteral("--from"),
                          QStringLiteral("2000-01-01"), QStringLiteral("--to"),
                          QStringLiteral("2099-12-31"), QStringLiteral("--out"), out});
        EXPECT_EQ(run.Code, 0) << run.Err.toStdString();
        QFile file(out);
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QJsonDocument::fromJson(file.readAll()).array();
    }

    // Minutes per day ("2026-10-19") of the store's history.
    std::map<QString, int> MinutesPerDay(const QString& store) {
        std::map<QString, int> days;
        for (const QJsonValue& row : HistoryRows(store))
            days[row[QStringLiteral("date")].toString()] += row[QStringLiteral("minutes")].toInt();
        return days;
    }

    // A fixture's days file: "YYYY-MM-DD MINUTES" a line, as the peer itself totals its days.
    static std::map<QString, int> DaysFile(const QString& name) {
        std::map<QString, int> days;
        QFile file(Fixture(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text)) << name.toStdString();
        while (!file.atEnd()) {
            const QStringList words =
                QString::fromUtf8(file.readLine()).simplified().split(QLatin1Char(' '));
            if (words.size() == 2) days[words.at(0)] += words.at(1).toInt();
        }
        return days;
    }

    TTimeZoneSet FBerlin{"Europe/Berlin"}; // the fixtures' days are Berlin days
    QTemporaryDir FTemp;
    QProcessEnvironment FEnvironment;
};

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
