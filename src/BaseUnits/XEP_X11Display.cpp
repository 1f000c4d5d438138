#include "XEP_X11Display.h"

#include <QCoreApplication>
#include <QGuiApplication>

#if defined(TIVREL_HAVE_XSS)
#include <QtGui/qguiapplication_platform.h>
#endif

Display* ProgramX11Display() {
#if defined(TIVREL_HAVE_XSS)
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    auto* x11 =
        application ? application->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
#else
    return nullptr;
#endif
}
