#include "XEP_IdleTime.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEvent>
#include <QGuiApplication>

#if defined(Q_OS_WIN)
#include <windows.h>
#elif defined(TIVREL_HAVE_XSS)
#include "XEP_X11Display.h"
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
// Xlib's names that clash with Qt's event types.
#undef KeyPress
#undef KeyRelease
#undef FocusIn
#undef FocusOut
#undef None
#endif

namespace {
qint64 NowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

#if defined(Q_OS_WIN)
class TWindowsIdleTime : public TIdleTimeSource {
public:
    qint64 IdleMilliseconds() override {
        LASTINPUTINFO info{};
        info.cbSize = sizeof(info);
        if (!::GetLastInputInfo(&info)) return 0;
        return qint64(DWORD(::GetTickCount() - info.dwTime));
    }
};
#elif defined(TIVREL_HAVE_XSS)
class TX11IdleTime : public TIdleTimeSource {
public:
    explicit TX11IdleTime(Display* display) : FDisplay(display) {}
    qint64 IdleMilliseconds() override {
        XScreenSaverInfo* info = XScreenSaverAllocInfo();
        if (!info) return 0;
        qint64 idle = 0;
        if (XScreenSaverQueryInfo(FDisplay, DefaultRootWindow(FDisplay), info))
            idle = qint64(info->idle);
        XFree(info);
        return idle;
    }

private:
    Display* FDisplay;
};

// The X11 display of the running program, when it runs on X11 and the server has the
// screen-saver extension.
Display* ScreenSaverDisplay() {
    Display* display = ProgramX11Display();
    int event = 0, error = 0;
    if (!display || !XScreenSaverQueryExtension(display, &event, &error)) return nullptr;
    return display;
}
#endif
} // namespace

std::unique_ptr<TIdleTimeSource> CreateDesktopIdleTimeSource() {
#if defined(Q_OS_WIN)
    return std::make_unique<TWindowsIdleTime>();
#else
#if defined(TIVREL_HAVE_XSS)
    if (Display* display = ScreenSaverDisplay()) return std::make_unique<TX11IdleTime>(display);
#endif
    return std::make_unique<TOwnWindowsIdleTime>();
#endif
}

TOwnWindowsIdleTime::TOwnWindowsIdleTime() : FLastInput(NowMs()) {
    if (QCoreApplication* application = QCoreApplication::instance())
        application->installEventFilter(this);
}

TOwnWindowsIdleTime::~TOwnWindowsIdleTime() {
    if (QCoreApplication* application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

qint64 TOwnWindowsIdleTime::IdleMilliseconds() {
    return std::max<qint64>(0, NowMs() - FLastInput);
}

bool TOwnWindowsIdleTime::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        FLastInput = NowMs();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
