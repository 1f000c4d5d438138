// A window whose stored place is on a monitor that is no longer there comes back on a screen the
// user can see, shrunk where it was larger than the screen.

#include "JourneyFixture.h"

#include <QDirIterator>
#include <QScreen>

using namespace Journey;

namespace {
// The file the windows keep their places in: the one .ini file of the run that has a
// "Locations" section.
QString PlacementFile(const QString& workDir) {
    QDirIterator files(workDir, {QStringLiteral("*.ini")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString name = files.next();
        if (QSettings(name, QSettings::IniFormat)
                .childGroups()
                .contains(QLatin1String("Locations")))
            return name;
    }
    return QString();
}
} // namespace

TEST_F(JourneyTest, AWindowLeftOnAMonitorThatIsGoneComesBackOnTheScreen) {
    SetUpStore();
    Restart(); // the windows store their places when the program ends
    const QString file = PlacementFile(Install.WorkDir());
    ASSERT_FALSE(file.isEmpty()) << "no window placement was stored";
    {
        // As a second monitor far to the right left it: off every screen there is now, and
        // larger than this screen.
        QSettings placement(file, QSettings::IniFormat);
        placement.beginGroup(QStringLiteral("Locations"));
        placement.setValue(QStringLiteral("Form_Submit_Form_Left"), 6000);
        placement.setValue(QStringLiteral("Form_Submit_Form_Top"), -2500);
        placement.setValue(QStringLiteral("Form_Submit_Form_Width"), 5000);
        placement.setValue(QStringLiteral("Form_Submit_Form_Height"), 300);
        placement.setValue(QStringLiteral("Form_Submit_Form_WindowState"), 1);
    }
    QRect shown, screen;
    TScript script;
    WaitForReviewWindow(script);
    script.Then(QStringLiteral("the review window placed"), [&] {
        shown = Review()->frameGeometry();
        screen = QGuiApplication::primaryScreen()->availableGeometry();
        return shown.height() == 300 || shown.height() == Review()->minimumHeight();
    });
    ExitByMenu(script);
    EXPECT_EQ(RunProgram(script), 0);
    EXPECT_TRUE(screen.contains(shown)) << "shown at " << shown.x() << "," << shown.y() << " "
                                        << shown.width() << "x" << shown.height();
    EXPECT_EQ(shown.width(), screen.width()) << "shrunk to the screen";
    EXPECT_EQ(shown.right(), screen.right()) << "on the side it was left on";
    EXPECT_EQ(shown.top(), screen.top());
}
