// Where the help file is found, what a missing one says, the viewer's search, and the viewer
// opened from a modal dialog: it belongs to that dialog (a modal window blocks every window
// but its own), and is no modal window itself.

#include "BaseUnits/XEP_Help.h"
#include "BaseUnits/XEP_AppGlobals.h"
#include "support/TScriptedDialogService.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QSet>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
const QString HelpName = QStringLiteral("TIVREL.HLP");

class HelpFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FTemp.isValid()); }

    QString Dir(const QString& relative) const {
        const QString path = QDir::cleanPath(FTemp.path() + QLatin1Char('/') + relative);
        QDir().mkpath(path);
        return path;
    }
    // A help file in the folder given (relative to the temporary folder); its path.
    QString PutHelp(const QString& relative, const QByteArray& text = "<a name='Welcome'></a>") {
        const QString file = Dir(relative) + QLatin1Char('/') + HelpName;
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text);
        return file;
    }
    static QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

    QTemporaryDir FTemp;
};

// The page of the help viewer long enough to scroll, with a word found twice.
QByteArray LongHelp() {
    QByteArray html = "<html><body><h1><a name='Welcome'></a>Welcome</h1>";
    for (int i = 0; i < 80; ++i)
        html += "<p>Paragraph " + QByteArray::number(i) + " of the help.</p>";
    html += "<h2><a name='Options'></a>Options</h2><p>The working day lasts 7 hours.</p>";
    html += "<p>A second working day note.</p></body></html>";
    return html;
}

} // namespace

TEST_F(HelpFiles, FoundInEveryPlaceAnInstallKeepsIt) {
    struct TCase {
        const char* What;
        QString ExeDir, HelpDir;
    };
    const TCase cases[] = {
        {"beside the executable", QStringLiteral("a/Tivrel"), QStringLiteral("a/Tivrel")},
        {"in the executable's bin folder", QStringLiteral("b"), QStringLiteral("b/bin")},
        {"in the executable's Bin folder", QStringLiteral("c"), QStringLiteral("c/Bin")},
        {"in the Bin folder beside a bin folder", QStringLiteral("d/bin"), QStringLiteral("d/Bin")},
        {"in the installed data folder", QStringLiteral("usr/bin"),
         QStringLiteral("usr/share/tivrel")},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        const QString file = PutHelp(c.HelpDir);
        EXPECT_EQ(FindHelpFile(QString(), Dir(c.ExeDir)), file);
        // The application directory, when it lacks the file, does not hide the others.
        EXPECT_EQ(
            FindHelpFile(Dir(QStringLiteral("empty")) + QLatin1Char('/') + HelpName, Dir(c.ExeDir)),
            file);
    }
}

TEST_F(HelpFiles, TheApplicationDirectoryComesFirst) {
    const QString configured = PutHelp(QStringLiteral("root/Bin"));
    PutHelp(QStringLiteral("usr/share/tivrel"));
    EXPECT_EQ(FindHelpFile(configured, Dir(QStringLiteral("usr/bin"))), configured);
    // A folder named like the file is not the file.
    Dir(QStringLiteral("x/bin/") + HelpName);
    EXPECT_EQ(FindHelpFile(QString(), Dir(QStringLiteral("x"))), QString());
}

TEST_F(HelpFiles, AMissingHelpFileSaysEveryFolderLookedIn) {
    const QString appDir = Dir(QStringLiteral("root/Bin"));
    const QString exeDir = Dir(QStringLiteral("usr/bin"));
    const QString configured = appDir + QLatin1Char('/') + HelpName;
    ASSERT_EQ(FindHelpFile(configured, exeDir), QString());
    const QString text = HelpFileNotFoundText(configured, exeDir);
    EXPECT_TRUE(text.startsWith(QStringLiteral("The help file TIVREL.HLP was not found.")))
        << text.toStdString();
    const QString usr = Dir(QStringLiteral("usr"));
    for (const QString& folder :
         {appDir, exeDir, exeDir + QStringLiteral("/Bin"), usr + QStringLiteral("/Bin"),
          usr + QStringLiteral("/share/tivrel")})
        EXPECT_TRUE(text.contains(Native(folder) + QLatin1Char('\n')) ||
                    text.endsWith(Native(folder)))
            << folder.toStdString() << " in " << text.toStdString();
    // Each folder once, however many ways lead to it.
    const QStringList folders = HelpFileFolders(configured, exeDir);
    EXPECT_EQ(folders.size(), QSet<QString>(folders.begin(), folders.end()).size());
    EXPECT_EQ(HelpFileReport(configured, exeDir), text);

    const QString found = PutHelp(QStringLiteral("usr/share/tivrel"));
    EXPECT_EQ(HelpFileReport(configured, exeDir), QStringLiteral("Help file: ") + Native(found));
}

TEST_F(HelpFiles, ShowHelpTopicReportsAFileFoundNowhere) {
    TScopedDialogService dialogs;
    const QString saved = ApplicationHelpFile();
    const QString configured = Dir(QStringLiteral("nowhere")) + QLatin1Char('/') + HelpName;
    SetApplicationHelpFile(configured);
    if (QFile::exists(QCoreApplication::applicationDirPath() + QLatin1Char('/') + HelpName))
        GTEST_SKIP() << "a help file lies beside the test program";
    ShowHelpTopic(QStringLiteral("Welcome"));
    SetApplicationHelpFile(saved);
    ASSERT_EQ(dialogs->Errors.size(), 1);
    EXPECT_TRUE(dialogs->Errors.first().contains(Native(QFileInfo(configured).path())));
    EXPECT_TRUE(dialogs->Errors.first().contains(Native(QCoreApplication::applicationDirPath())));
}

TEST_F(HelpFiles, TheViewerFindsTextAndGoesOnToTheNextPlace) {
    const QString file = PutHelp(QStringLiteral("help"), LongHelp());
    THelpViewer viewer;
    ASSERT_TRUE(viewer.ShowTopic(file, QStringLiteral("Welcome")));
    EXPECT_FALSE(viewer.SearchBox()->isVisible());
    viewer.StartSearch();
    EXPECT_TRUE(viewer.SearchBox()->isVisible());
    QScrollBar* bar = viewer.Browser()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0) << "the page scrolls";
    const int top = bar->value(); // the Welcome topic, at the top of the page

    viewer.SearchBox()->setText(QStringLiteral("working day"));
    ASSERT_TRUE(viewer.FindNext());
    const int first = viewer.Browser()->textCursor().selectionStart();
    EXPECT_EQ(viewer.Browser()->textCursor().selectedText(), QStringLiteral("working day"));
    EXPECT_GT(bar->value(), top) << "the place found is scrolled into view";
    ASSERT_TRUE(viewer.FindNext());
    const int second = viewer.Browser()->textCursor().selectionStart();
    EXPECT_GT(second, first);
    // After the last place the search starts from the top again.
    ASSERT_TRUE(viewer.FindNext());
    EXPECT_EQ(viewer.Browser()->textCursor().selectionStart(), first);

    viewer.SearchBox()->setText(QStringLiteral("no such words"));
    EXPECT_FALSE(viewer.FindNext());
    EXPECT_EQ(viewer.findChild<QLabel*>(QStringLiteral("HelpSearchResult"))->text(),
              QStringLiteral("Not found"));
    viewer.close();
}

TEST_F(HelpFiles, HelpOpenedFromAModalDialogIsNotBlockedByIt) {
    const QString saved = ApplicationHelpFile();
    SetApplicationHelpFile(PutHelp(QStringLiteral("app"), LongHelp()));
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("SomeDialog"));
    QPointer<THelpViewer> viewer;
    bool wasVisible = false;
    QWidget* parent = nullptr;
    bool dialogStillModal = false;
    QTimer::singleShot(0, &dialog, [&] {
        ShowHelpTopic(QStringLiteral("Options"));
        viewer = &HelpViewer();
        QTimer::singleShot(50, &dialog, [&] {
            wasVisible = viewer && viewer->isVisible();
            parent = viewer ? viewer->parentWidget() : nullptr;
            dialogStillModal = QApplication::activeModalWidget() == &dialog;
            if (viewer) viewer->close();
            dialog.reject();
        });
    });
    dialog.exec();
    SetApplicationHelpFile(saved);
    EXPECT_TRUE(wasVisible);
    EXPECT_EQ(parent, &dialog);
    EXPECT_TRUE(dialogStillModal) << "the viewer is no modal window itself";
    ASSERT_TRUE(viewer);
    EXPECT_FALSE(viewer->isModal());
    EXPECT_EQ(viewer->CurrentTopic(), QStringLiteral("Options"));
}
