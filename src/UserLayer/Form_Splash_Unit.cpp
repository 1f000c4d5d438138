#include "Form_Splash_Unit.h"

#include "BaseUnits/Application_Details_Unit.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTimer>

namespace {
QFont TahomaPixels(int pixels) {
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixels);
    return font;
}

QLabel* WhiteLabel(QWidget* parent, const char* name, const QString& text, int pixels, QPoint at) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(TahomaPixels(pixels));
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    label->move(at);
    label->adjustSize();
    return label;
}
} // namespace

TForm_Splash_Form::TForm_Splash_Form(QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::SplashScreen) {
    setObjectName(QStringLiteral("Form_Splash_Form"));
    setFixedSize(ClientWidth + 2 * BorderWidth, ClientHeight + 2 * BorderWidth);
    setAttribute(Qt::WA_QuitOnClose, false);

    Splash = new QLabel(this);
    Splash->setObjectName(QStringLiteral("Splash"));
    Splash->setGeometry(BorderWidth, BorderWidth, ClientWidth, ClientHeight);
    Splash->setPixmap(QPixmap(QStringLiteral(":/images/Splash.png")));
    Splash->setScaledContents(true);

    const QPoint client(BorderWidth, BorderWidth);
    lblTitle = WhiteLabel(this, "lblTitle", QString(), 24, client + QPoint(24, 18));
    lblCopyright = WhiteLabel(this, "lblCopyright", QString(), 11, client + QPoint(25, 148));
    lblVersion =
        WhiteLabel(this, "lblVersion", QStringLiteral("Version"), 11, client + QPoint(25, 162));

    TimerSplash = new QTimer(this);
    TimerSplash->setObjectName(QStringLiteral("TimerSplash"));
    TimerSplash->setInterval(SplashInterval);
    TimerSplash->setSingleShot(true);
    connect(TimerSplash, &QTimer::timeout, this, &TForm_Splash_Form::TimerSplashTimer);

    FormCreate();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    TimerSplash->start();
}

void TForm_Splash_Form::FormCreate() {
    lblTitle->setText(QStringLiteral("Tivrel 2008"));
    QStringList details;
    GetProjectVersionInfo(details, QString(), false);
    // A short list leaves the texts empty rather than failing.
    lblVersion->setText(lblVersion->text() + QLatin1Char(' ') + VersionDetail(details, 8));
    lblCopyright->setText(VersionDetail(details, 4));
    for (QLabel* label : {lblTitle, lblVersion, lblCopyright})
        label->adjustSize();
}

void TForm_Splash_Form::TimerSplashTimer() {
    close();
}

void TForm_Splash_Form::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x40, 0x40, 0x40));
    painter.drawRect(rect());
}
