#pragma once
// The splash window: title, version and rights notice over the splash picture; it closes
// itself after five seconds (closing hides it; the window lives on).

#include <QWidget>

class QLabel;
class QTimer;

class TForm_Splash_Form : public QWidget {
    Q_OBJECT
public:
    explicit TForm_Splash_Form(QWidget* parent = nullptr);

    QLabel* Splash;
    QLabel* lblTitle;
    QLabel* lblCopyright;
    QLabel* lblVersion;
    QTimer* TimerSplash;

    static constexpr int ClientWidth = 330;
    static constexpr int ClientHeight = 198;
    static constexpr int BorderWidth = 2;
    static constexpr int SplashInterval = 5000;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void FormCreate();
    void TimerSplashTimer();
};
