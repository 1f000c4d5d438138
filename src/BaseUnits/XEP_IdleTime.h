#pragma once
// How long the user has left keyboard and mouse alone: the desktop's own count where the
// platform keeps one (the screen-saver extension of X11, the last input of Windows), else the
// input to this program's own windows. Injectable, so the idle question can be tested.

#include <QObject>
#include <QtGlobal>
#include <memory>

class TIdleTimeSource {
public:
    virtual ~TIdleTimeSource() = default;
    // Milliseconds since the last keyboard or mouse input.
    virtual qint64 IdleMilliseconds() = 0;
};

// The best source of the platform the program runs on (the program's application object must
// exist).
std::unique_ptr<TIdleTimeSource> CreateDesktopIdleTimeSource();

// Input to this program's windows only: for platforms without a desktop-wide count.
class TOwnWindowsIdleTime : public QObject, public TIdleTimeSource {
public:
    TOwnWindowsIdleTime();
    ~TOwnWindowsIdleTime() override;
    qint64 IdleMilliseconds() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    qint64 FLastInput;
};
