#include "UserLayer/Form_About_Unit.h"
#include "UserLayer/Form_Splash_Unit.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QEventLoop>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

namespace {
// Saves a picture of a window when TIVREL_SCREENSHOT_DIR names a directory.
void SaveScreenshot(QWidget& window, const QString& name) {
    const QString dir = qEnvironmentVariable("TIVREL_SCREENSHOT_DIR");
    if (!dir.isEmpty()) window.grab().save(QDir(dir).filePath(name + QStringLiteral(".png")));
}

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Opened;
public Q_SLOTS:
    void Open(const QUrl& url) { Opened << url; }
};
} // namespace

TEST(SplashWindow, ShowsTitleVersionAndRightsAtTheirPlaces) {
    TForm_Splash_Form splash;
    splash.show();
    SaveScreenshot(splash, QStringLiteral("splash"));
    EXPECT_EQ(splash.size(), QSize(334, 202)); // a 330 x 198 client area in a 2-pixel border
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(splash.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(splash.Splash->geometry(), QRect(2, 2, 330, 198));
    EXPECT_FALSE(splash.Splash->pixmap().isNull());
    EXPECT_EQ(splash.lblTitle->text(), QStringLiteral("Tivrel 2008"));
    EXPECT_EQ(splash.lblVersion->text(), QStringLiteral("Version 2.1.1.78"));
    EXPECT_TRUE(splash.lblCopyright->text().contains(QStringLiteral("Korvane")));
    EXPECT_EQ(splash.lblTitle->pos(), QPoint(2 + 24, 2 + 18));
    EXPECT_EQ(splash.lblCopyright->pos(), QPoint(2 + 25, 2 + 148));
    EXPECT_EQ(splash.lblVersion->pos(), QPoint(2 + 25, 2 + 162));
    EXPECT_EQ(splash.lblTitle->font().pixelSize(), 24);
    EXPECT_EQ(splash.lblVersion->font().pixelSize(), 11);
    // Every label fits inside the client area.
    for (QLabel* label : {splash.lblTitle, splash.lblCopyright, splash.lblVersion})
        EXPECT_TRUE(splash.Splash->geometry().contains(label->geometry()))
            << label->objectName().toStdString();
}

TEST(SplashWindow, ClosesItselfAfterFiveSecondsAndLivesOn) {
    TForm_Splash_Form splash;
    splash.show();
    EXPECT_EQ(splash.TimerSplash->interval(), 5000);
    EXPECT_TRUE(splash.TimerSplash->isActive());
    splash.TimerSplash->start(1); // let it fire now
    QElapsedTimer waited;
    waited.start();
    while (splash.isVisible() && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(splash.isVisible());
    EXPECT_FALSE(splash.testAttribute(Qt::WA_DeleteOnClose)) << "closing only hides it";
}

TEST(AboutBox, ShowsTheVersionDetailsAndTheLogo) {
    TForm_About_Form about;
    about.show();
    SaveScreenshot(about, QStringLiteral("about"));
    EXPECT_EQ(about.size(), QSize(377, 308));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Tivrel"));
    EXPECT_EQ(about.lblProductName->text(), QStringLiteral("Tivrel"));
    EXPECT_EQ(about.lblVersion->text(), QStringLiteral("Version 2.1.1.78"));
    EXPECT_TRUE(about.lblCopyright->text().contains(QStringLiteral("Korvane")));
    EXPECT_EQ(about.lblhomelink->text(), TForm_About_Form::HomeAddress());
    EXPECT_EQ(about.lblhomelink->palette().color(QPalette::WindowText), QColor(Qt::blue));
    EXPECT_FALSE(about.PlenkBitmap->isVisible());
    EXPECT_TRUE(about.TivrelBitmap->isVisible());
    EXPECT_EQ(about.TivrelBitmap->size(), QSize(71, 67));
    EXPECT_FALSE(about.mComments->isEnabled());
    EXPECT_TRUE(about.mComments->isReadOnly());
    EXPECT_FALSE(about.mComments->toPlainText().isEmpty());
    EXPECT_TRUE(about.OKButton->isDefault());
    about.OKButton->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(AboutBox, TheLinkShowsAHandAndOpensTheAddress) {
    TForm_About_Form about;
    about.show();
    about.lblhomelink->setCursor(Qt::IBeamCursor);
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(about.lblhomelink, &enter);
    EXPECT_EQ(about.lblhomelink->cursor().shape(), Qt::PointingHandCursor);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(about.lblhomelink, &leave);
    EXPECT_EQ(about.lblhomelink->cursor().shape(), Qt::IBeamCursor);

    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(about.lblhomelink, &release);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    ASSERT_EQ(catcher.Opened.size(), 1);
    EXPECT_EQ(catcher.Opened.first(), QUrl(TForm_About_Form::HomeAddress()));
}

#include "Form_Splash_AboutTest.moc"
