#include "BaseUnits/XEP_Application.h"
#include "BaseUnits/XEP_AppGlobals.h"
#include "BaseUnits/XEP_DialogService.h"
#include "BaseUnits/XEP_Errors.h"
#include "BaseUnits/XEP_Help.h"
#include "support/TScriptedDialogService.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <gtest/gtest.h>

TEST(ErrorGuard, ShowsErrorsAndSwallowsSilentAborts) {
    TScopedDialogService dialogs;
    EXPECT_TRUE(RunGuarded([] {}));
    EXPECT_FALSE(RunGuarded([] { throw EXEPException(QStringLiteral("Cannot create /x")); }));
    EXPECT_FALSE(RunGuarded([] { throw EAbort(); }));
    EXPECT_FALSE(RunGuarded([] { throw std::runtime_error("plain failure"); }));
    EXPECT_EQ(dialogs->Errors,
              (QStringList{QStringLiteral("Cannot create /x"), QStringLiteral("plain failure")}));
}

TEST(ErrorGuard, FileFiltersReadAsTheToolkitWritesThem) {
    EXPECT_EQ(ToQtFileFilter(QStringLiteral("Time Files|*.tim")),
              QStringLiteral("Time Files (*.tim)"));
    EXPECT_EQ(ToQtFileFilter(QStringLiteral("Web|*.htm;*.html|All|*.*")),
              QStringLiteral("Web (*.htm *.html);;All (*.*)"));
}

TEST(Help, OpensAtTheTopicOrFallsBackToWelcome) {
    const QString html = QStringLiteral("<a name=\"Welcome\"></a><a id='Review'></a>");
    EXPECT_EQ(ResolveHelpTopic(html, QStringLiteral("Review")), QStringLiteral("Review"));
    EXPECT_EQ(ResolveHelpTopic(html, QStringLiteral("Options")), QStringLiteral("Welcome"));
    EXPECT_EQ(ResolveHelpTopic(html, QString()), QStringLiteral("Welcome"));
    EXPECT_EQ(ResolveHelpTopic(html, QStringLiteral("Rev")), QStringLiteral("Welcome"));

    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/TIVREL.HLP");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("<html><body><h1><a name=\"Welcome\"></a>Welcome</h1><p>Hello</p></body></html>");
    out.close();
    THelpViewer viewer;
    EXPECT_TRUE(viewer.ShowTopic(file, QStringLiteral("Tasks")));
    EXPECT_EQ(viewer.CurrentTopic(), QStringLiteral("Welcome"));
    EXPECT_TRUE(viewer.Browser()->toPlainText().contains(QStringLiteral("Hello")));
    viewer.close();
}

TEST(Help, AMissingHelpFileSaysWhichFile) {
    TScopedDialogService dialogs;
    THelpViewer viewer;
    EXPECT_FALSE(
        viewer.ShowTopic(QStringLiteral("/nowhere/TIVREL.HLP"), QStringLiteral("Welcome")));
    ASSERT_EQ(dialogs->Errors.size(), 1);
    EXPECT_TRUE(dialogs->Errors.first().contains(QStringLiteral("/nowhere/TIVREL.HLP")));
}

TEST(Help, TheShippedHelpFileHasAWelcomeTopic) {
    QFile file(QStringLiteral(TIVREL_SOURCE_DIR "/resources/TIVREL.HLP"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(ResolveHelpTopic(QString::fromUtf8(file.readAll()), QStringLiteral("Welcome")),
              QStringLiteral("Welcome"));
}

TEST(Help, TheShippedHelpFileHasEveryTopicTheWindowsOpen) {
    QFile file(QStringLiteral(TIVREL_SOURCE_DIR "/resources/TIVREL.HLP"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    for (const char* topic : {"Welcome", "Time_Tracker", "Review", "Users", "Clients", "Projects", "Tasks", "Options"})
        EXPECT_EQ(ResolveHelpTopic(html, QLatin1String(topic)), QLatin1String(topic)) << topic;
}
