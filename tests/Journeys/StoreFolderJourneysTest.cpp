// Journeys of the data folder as the program finds it at start: a store other users could
// read, a lock left by Tivrel on another computer, and another table's file where the history
// belongs. Each is told in a message box the user answers with the keyboard; the program then
// works on, and the next start says nothing more.

#include "JourneyFixture.h"

#include <QSysInfo>

using namespace Journey;

namespace {
void WriteFile(const QString& fileName, const QByteArray& content) {
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QByteArray ReadFile(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The message box that says the words is answered with Return; its text is kept.
void ReadAndConfirmBox(TScript& script, const QString& words, QString& told) {
    script.Then(
        QStringLiteral("a message box saying \"%1\"").arg(words),
        [words] { return MessageBoxSays(words); },
        [&told] {
            told = MessageBox()->text();
            return ReturnInMessageBox();
        });
}

class StoreFolderJourney : public JourneyTest {
protected:
    // Starts the program, answers the box that says the words with Return (its text goes to
    // told), reads the review window and exits.
    TSeen StartThroughBox(const QString& words, QString& told) {
        TSeen seen;
        TScript script;
        ReadAndConfirmBox(script, words, told);
        WaitForReviewWindow(script);
        script.Do(QStringLiteral("read the review window"), [&seen] {
            seen = ReadReviewWindow();
            return true;
        });
        ExitByMenu(script);
        EXPECT_EQ(RunProgram(script), 0);
        return seen;
    }
};
} // namespace

TEST_F(StoreFolderJourney, AStoreOtherUsersCouldReadIsMadePrivateAndSaidOnce) {
    SetUpStore();
    const QString dir = Install.DataDir();
    const QFile::Permissions open =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    QFile::setPermissions(dir, open | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    for (const QString& name : QDir(dir).entryList({QStringLiteral("*.xml")}, QDir::Files))
        QFile::setPermissions(dir + name, open);

    QString told;
    const TSeen seen = StartThroughBox(QStringLiteral("Other users of this computer"), told);
    EXPECT_TRUE(told.contains(QDir::toNativeSeparators(dir))) << told.toStdString();
    EXPECT_EQ(seen.Codes(), QStringList{QStringLiteral("GEN")});
    EXPECT_EQ(QFile::permissions(dir) & (QFile::ReadOther | QFile::ReadGroup), 0);
    // The next start goes straight to the review window: nothing more to say.
    EXPECT_EQ(Restart().Codes(), QStringList{QStringLiteral("GEN")});
}

TEST_F(StoreFolderJourney, ALockLeftOnAnotherComputerIsTakenOverWhenTheUserSaysYes) {
    SetUpStore();
    const QString lock = Install.FileName(QStringLiteral("tivrel.lock"));
    const QString host = QStringLiteral("laptop-") + QSysInfo::machineHostName();
    WriteFile(lock, "4242\nTivrel\n" + host.toUtf8() + "\n");

    TSeen seen;
    QString asked;
    TScript script;
    script.Then(
        QStringLiteral("the question about the other computer's lock"),
        [] { return MessageBoxSays(QStringLiteral("Take the data folder over?")); },
        [&asked] {
            asked = MessageBox()->text();
            return AnswerMessageBox('Y');
        });
    WaitForReviewWindow(script);
    script.Do(QStringLiteral("read the review window"), [&seen] {
        seen = ReadReviewWindow();
        return true;
    });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_TRUE(asked.contains(host)) << asked.toStdString();
    EXPECT_TRUE(asked.contains(QDir::toNativeSeparators(lock))) << asked.toStdString();
    EXPECT_EQ(seen.Codes(), QStringList{QStringLiteral("GEN")});
    EXPECT_FALSE(QFile::exists(lock)) << "the lock taken over is released at exit";
}

TEST_F(StoreFolderJourney, AnotherTablesFileWhereTheHistoryBelongsIsKeptAsideAndSaid) {
    SetUpStore([](TdmTasks_Form& dm) {
        dm.adsReporting.Append();
        dm.adsReporting.FieldByName(QStringLiteral("TaskCode")).SetAsString(QStringLiteral("GEN"));
        dm.adsReporting.Post();
    });
    const QString history = Install.FileName(QStringLiteral("Reportingfile.xml"));
    const QByteArray users = ReadFile(Install.FileName(QStringLiteral("Usersfile.xml")));
    WriteFile(history, users);

    QString told;
    const TSeen seen = StartThroughBox(QStringLiteral("could not be read"), told);
    EXPECT_TRUE(told.contains(QDir::toNativeSeparators(history))) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("it is not a file of this table")))
        << told.toStdString();
    EXPECT_TRUE(seen.History.empty());
    const QString kept = history + QStringLiteral(".unreadable-20261209-1430");
    EXPECT_EQ(ReadFile(kept), users) << "kept as it was, and not written over by the exit";
    EXPECT_TRUE(Restart().History.empty()) << "the next start says nothing more";
}
