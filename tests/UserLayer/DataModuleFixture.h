#pragma once
// A data module over a temporary install, with the clock pinned and the information messages
// collected.

#include "BaseUnits/XEP_Messages.h"
#include "BaseUnits/XEP_Utils_Unit.h"
#include "UserLayer/data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"
#include "Components/Core/TClock.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

class DataModuleTest : public ::testing::Test {
protected:
    static constexpr double Hour = 1.0 / 24.0;
    static constexpr double Minute = 1.0 / 1440.0;

    void SetUp() override {
        ASSERT_TRUE(FTemp.isValid());
        // Wednesday 9 December 2026, 14:30.
        TClock::SetFixed(DateToDayNumber(QDate(2026, 12, 9)) + 14.5 * Hour);
        FPrevious = SetInformationMessageHandler([this](const QString& text) { Messages << text; });
        SetUserSaveDirectoryOverride(FTemp.path() + QStringLiteral("/AppData"));
        QDir().mkpath(FTemp.path() + QStringLiteral("/AppData"));
    }
    void TearDown() override {
        dm.reset();
        SetInformationMessageHandler(FPrevious);
        SetUserSaveDirectoryOverride(QString());
    }

    QString Root() const { return FTemp.path() + QLatin1Char('/'); }

    // A portable install: <root>Kit/App/Tivrel/tivrel with Portable.ini; data in <root>Kit/Data/.
    QString PortableExe() {
        const QString dir = Root() + QStringLiteral("Kit/App/Tivrel");
        QDir().mkpath(dir);
        QFile marker(dir + QStringLiteral("/Portable.ini"));
        marker.open(QIODevice::WriteOnly);
        return dir + QStringLiteral("/tivrel");
    }
    QString PortableDataDir() const { return Root() + QStringLiteral("Kit/Data/"); }

    // A standard install at <root>Prog/Bin/tivrel; the registry is an .ini file of the test.
    QString StandardExe() {
        const QString dir = Root() + QStringLiteral("Prog/Bin");
        QDir().mkpath(dir);
        return dir + QStringLiteral("/tivrel");
    }

    TdmTasks_Form& Start(const QString& exe, const QString& userAppData = QString()) {
        dm.reset();
        if (!userAppData.isEmpty()) {
            QDir().mkpath(userAppData);
            SetUserSaveDirectoryOverride(userAppData);
        }
        TDataModuleOptions options;
        options.ExeName = exe;
        const QString registry = Root() + QStringLiteral("registry.ini");
        options.RegistryFactory = [registry](const QString&) {
            return std::make_unique<QSettings>(registry, QSettings::IniFormat);
        };
        dm = std::make_unique<TdmTasks_Form>(nullptr, options);
        return *dm;
    }

    TdmTasks_Form& StartPortable() { return Start(PortableExe()); }

    // A first run that is then set up and saved, as the main window does after the setup hub.
    TdmTasks_Form& StartSetUp() {
        StartPortable();
        dm->SetSetupRequired(false);
        dm->SaveData();
        return StartPortable();
    }

    static TField& F(TRecordSet& t, const char* name) { return t.FieldByName(QLatin1String(name)); }

    // A second user, Ann Lee (sign-on "ann"); her UserID.
    static int AddAnn(TdmTasks_Form& data) {
        TRecordSet& users = data.adsUsers;
        users.Append();
        F(users, "FirstName").SetAsString(QStringLiteral("Ann"));
        F(users, "LastName").SetAsString(QStringLiteral("Lee"));
        F(users, "SignOn").SetAsString(QStringLiteral("ann"));
        F(users, "Password").SetAsString(QStringLiteral("secret"));
        users.Post();
        return F(users, "UserID").AsInteger();
    }

    // The options' Timesheet User.
    static void SetTimesheetUser(TdmTasks_Form& data, int user) {
        data.adsDefaults.Edit();
        F(data.adsDefaults, "TimesheetUserID").SetAsInteger(user);
        data.adsDefaults.Post();
    }

    // Shows a window and waits until it is the active one, so that it takes the keyboard.
    static bool ShowActive(QWidget& window) {
        window.show();
        window.activateWindow();
        for (int i = 0; i < 100 && !window.isActiveWindow(); ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        return window.isActiveWindow();
    }

    // The message of what an action raised: "(abort)" for a silent abort, empty for none.
    static QString ErrorOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const EAbort&) {
            return QStringLiteral("(abort)");
        } catch (const Exception& e) {
            return e.Message();
        }
        return {};
    }

    QStringList Messages;
    std::unique_ptr<TdmTasks_Form> dm;

private:
    QTemporaryDir FTemp;
    TMessageHandler FPrevious;
};
