#include "XEP_Application.h"

#include "XEP_DialogService.h"

#include "Components/Core/SysExceptions.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <utility>

#if defined(TIVREL_HAVE_XSS)
#include "XEP_X11Display.h"
#include <X11/Xlib.h>
// Xlib's names that clash with Qt's.
#undef KeyPress
#undef KeyRelease
#undef FocusIn
#undef FocusOut
#undef None
#undef Bool
#undef Status
#endif

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
#include <dlfcn.h>
#include <thread>
#endif

namespace {
QElapsedTimer& ProgramClock() {
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    return clock;
}

void WarmUpFontConfiguration() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Fontconfig comes with the toolkit's GUI library. FcInit may run on any thread; the
    // toolkit's own call then finds the configuration read (or, should both run at once, one
    // of the two readings is kept).
    using TFcInit = int (*)();
    const auto init = reinterpret_cast<TFcInit>(::dlsym(RTLD_DEFAULT, "FcInit"));
    if (init) std::thread(init).detach();
#endif
}
} // namespace

TFontWarmUp::TFontWarmUp() {
    // The database may be used from any thread; the lookups are kept for every thread.
    FThread = QThread::create([font = QGuiApplication::font()] {
        QFontDatabase::families();
        QFontMetrics(font).horizontalAdvance(QStringLiteral("Task 0123456789:"));
    });
    FThread->start();
}

TFontWarmUp::~TFontWarmUp() {
    FThread->wait();
    delete FThread;
}

#if defined(TIVREL_HAVE_XSS)
namespace {
void (*AtDisplayLoss)() = nullptr;

void SaveThenExit(Display*, void*) {
    if (auto* save = std::exchange(AtDisplayLoss, nullptr)) save();
    std::exit(1);
}

void FailTheCall(Display*, void*) {}
} // namespace
#endif

// Xlib reports a broken connection to its error handler and then calls its exit handler, which
// ends the process; a handler that returns lets the call fail instead.
void SaveBeforeTheDisplayLossEnds(void (*atLoss)()) {
#if defined(TIVREL_HAVE_XSS)
    Display* display = ProgramX11Display();
    if (!display) return;
    AtDisplayLoss = atLoss;
    XSetIOErrorExitHandler(display, SaveThenExit, nullptr);
#else
    Q_UNUSED(atLoss);
#endif
}

void KeepRunningWhenTheDisplayIsLost() {
#if defined(TIVREL_HAVE_XSS)
    if (Display* display = ProgramX11Display())
        XSetIOErrorExitHandler(display, FailTheCall, nullptr);
#endif
}

void PrepareProgramStart() {
    ProgramClock();
    WarmUpFontConfiguration();
}

qint64 MillisecondsSinceProgramStart() {
    return ProgramClock().elapsed();
}

bool RunGuarded(const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const EAbort&) {
        return false;
    } catch (const Exception& e) {
        TDialogService::Instance().ShowError(e.Message());
    } catch (const std::exception& e) {
        TDialogService::Instance().ShowError(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

namespace {
class TFirstPaintWatch : public QObject {
public:
    TFirstPaintWatch(QWidget& window, int latestMs, std::function<void()> action)
        : QObject(&window), FAction(std::move(action)) {
        window.installEventFilter(this);
        QTimer::singleShot(latestMs, this, [this] { Run(); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] { Run(); }); // once the painting is done
        }
        return false;
    }

private:
    void Run() {
        if (!FAction) return;
        const std::function<void()> action = std::move(FAction);
        FAction = nullptr;
        parent()->removeEventFilter(this);
        deleteLater();
        RunGuarded(action);
    }
    std::function<void()> FAction;
};
} // namespace

void AfterFirstPaint(QWidget& window, int latestMs, std::function<void()> action) {
    new TFirstPaintWatch(window, latestMs, std::move(action));
}

TBusyCursor::TBusyCursor() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

TBusyCursor::~TBusyCursor() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::restoreOverrideCursor();
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    RunGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

TQuitWatch::TQuitWatch(QObject* parent) : QObject(parent) {
    qApp->installEventFilter(this);
}

bool TQuitWatch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::Quit) {
        // After the quit has been delivered nobody is asked to close any more.
        FQuitting = true;
        QTimer::singleShot(0, this, [this] { FQuitting = false; });
    }
    return false;
}

// ---- Termination signals ----
// A signal handler may do almost nothing; it writes the signal's number into a pipe whose
// other end the event loop watches.

#ifndef Q_OS_WIN
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int SignalPipe[2] = {-1, -1};
constexpr int HandledSignals[] = {SIGTERM, SIGINT, SIGHUP};
struct sigaction PreviousActions[3];

extern "C" void WriteSignalToPipe(int signalNumber) {
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[0], &number, 1);
}
} // namespace

TTerminationSignals::TTerminationSignals(QObject* parent) : QObject(parent) {
    if (SignalPipe[0] >= 0) return; // another instance handles them
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, SignalPipe) != 0) return;
    for (int fd : SignalPipe)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    FNotifier = new QSocketNotifier(SignalPipe[1], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, [this] { ReadPending(); });
    struct sigaction action {};
    action.sa_handler = WriteSignalToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(HandledSignals); ++i)
        ::sigaction(HandledSignals[i], &action, &PreviousActions[i]);
}

TTerminationSignals::~TTerminationSignals() {
    if (!FNotifier) return;
    for (size_t i = 0; i < std::size(HandledSignals); ++i)
        ::sigaction(HandledSignals[i], &PreviousActions[i], nullptr);
    delete FNotifier;
    FNotifier = nullptr;
    for (int& fd : SignalPipe) {
        ::close(fd);
        fd = -1;
    }
}

void TTerminationSignals::ReadPending() {
    unsigned char number = 0;
    while (::read(SignalPipe[1], &number, 1) == 1)
        Q_EMIT Received(number);
}
#else
TTerminationSignals::TTerminationSignals(QObject* parent) : QObject(parent) {}
TTerminationSignals::~TTerminationSignals() = default;
void TTerminationSignals::ReadPending() {}
#endif
