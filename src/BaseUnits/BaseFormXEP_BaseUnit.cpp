#include "BaseFormXEP_BaseUnit.h"

#include "BaseFrameXEP_BaseUnit.h"
#include "XEP_FormPlacement.h"
#include "XEP_Utils_Unit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

namespace {
constexpr int ResizeInterval = 100;
constexpr int ResizeSettle = 300;

// The available areas of the screens attached now.
QList<QRect> AvailableScreenAreas() {
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    return areas;
}
} // namespace

TBaseFormXEP_BaseForm::TBaseFormXEP_BaseForm(QWidget* parent)
    : QDialog(parent), tResizeTimer(new QTimer(this)) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    tResizeTimer->setObjectName(QStringLiteral("tResizeTimer"));
    tResizeTimer->setInterval(ResizeInterval);
    connect(tResizeTimer, &QTimer::timeout, this, &TBaseFormXEP_BaseForm::tResizeTimerTimer);
}

int TBaseFormXEP_BaseForm::WindowStateToInteger(Qt::WindowStates State) {
    if (State & Qt::WindowMinimized) return 3;
    if (State & Qt::WindowMaximized) return 2;
    return 1;
}

Qt::WindowStates TBaseFormXEP_BaseForm::IntegerToWindowState(int Value) {
    switch (Value) {
    case 1:
        return Qt::WindowNoState;
    case 2:
        return Qt::WindowMaximized;
    default:
        return Qt::WindowMinimized;
    }
}

TWindowPlacement TBaseFormXEP_BaseForm::CurrentPlacement() const {
    // Outer geometry of the normal (restored) window, as the user left it.
    const QRect outer = frameGeometry();
    TWindowPlacement placement;
    placement.Left = outer.x();
    placement.Top = outer.y();
    placement.Height = outer.height();
    placement.Width = outer.width();
    placement.WindowState = WindowStateToInteger(windowState());
    return placement;
}

void TBaseFormXEP_BaseForm::FormCreate() {
    if (FCreated) return;
    FCreated = true;
    const TFormPlacementConfig* config = FormPlacementConfig();
    if (!config || objectName().isEmpty()) return;
    TWindowPlacement placement;
    if (CreateFormPlacementStore(*config)->Read(objectName(), CurrentPlacement(), placement))
        ApplyPlacement(PlacementOnScreens(placement, AvailableScreenAreas()));
}

void TBaseFormXEP_BaseForm::ApplyPlacement(const TWindowPlacement& placement) {
    move(placement.Left, placement.Top);
    // The stored size is the outer size; until the window frame is known it is taken as the
    // client size and corrected when the window is first shown.
    resize(placement.Width, placement.Height);
    FPendingOuterGeometry = QRect(placement.Left, placement.Top, placement.Width, placement.Height);
    setWindowState(IntegerToWindowState(placement.WindowState));
}

void TBaseFormXEP_BaseForm::showEvent(QShowEvent* event) {
    FormCreate();
    QDialog::showEvent(event);
    if (!FPendingOuterGeometry) return;
    const QRect wanted = *FPendingOuterGeometry;
    FPendingOuterGeometry.reset();
    QTimer::singleShot(0, this, [this, wanted] {
        const int dw = frameGeometry().width() - width();
        const int dh = frameGeometry().height() - height();
        if ((dw > 0 || dh > 0) && windowState() == Qt::WindowNoState) {
            resize(wanted.width() - dw, wanted.height() - dh);
            move(wanted.topLeft());
        }
    });
}

void TBaseFormXEP_BaseForm::FormClose() {
    const QList<TBaseFrameXEP_BaseForm*> frames = findChildren<TBaseFrameXEP_BaseForm*>();
    for (auto it = frames.crbegin(); it != frames.crend(); ++it)
        (*it)->FrameClose();
    const TFormPlacementConfig* config = FormPlacementConfig();
    if (!config || objectName().isEmpty()) return;
    // A settings directory that cannot be made raises; the window stays open.
    if (config->Install == TInstallType::itPortable) CheckCreateDirectory(config->SettingsDir);
    CreateFormPlacementStore(*config)->Write(objectName(), CurrentPlacement());
}

void TBaseFormXEP_BaseForm::done(int result) {
    FormClose(); // an exception here leaves the window open
    QDialog::done(result);
}

void TBaseFormXEP_BaseForm::EnableResizeTimer() {
    if (tResizeTimer->isActive()) return; // a burst is timed from its first event
    FLastResize = 0;
    tResizeTimer->start();
}

void TBaseFormXEP_BaseForm::tResizeTimerTimer() {
    if (FLastResize >= ResizeSettle) {
        tResizeTimer->stop();
        ResizeRequired();
        return;
    }
    FLastResize += ResizeInterval;
}
