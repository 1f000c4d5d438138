#pragma once
// The base of every working window: it remembers where the user left it (position, outer size
// and window state, per component name) and runs ResizeRequired once a burst of resizing has
// settled (about 400 ms after its first resize event).
//
// Placement is restored by FormCreate, which a derived window calls at the end of its own
// construction (or which runs by itself before the window is first shown), and saved each time
// the window closes, after the close hooks of its frames have run, last frame first.

#include <QDialog>
#include <optional>

class QTimer;
struct TWindowPlacement;

class TBaseFormXEP_BaseForm : public QDialog {
    Q_OBJECT
public:
    explicit TBaseFormXEP_BaseForm(QWidget* parent = nullptr);

    QTimer* tResizeTimer;

    static int WindowStateToInteger(Qt::WindowStates State);
    static Qt::WindowStates IntegerToWindowState(int Value);

    // Restores the placement (once).
    void FormCreate();
    // Calls the frames' close hooks and saves the placement.
    void FormClose();
    void EnableResizeTimer();
    int LastResize() const { return FLastResize; }

    // The placement as it would be stored now.
    TWindowPlacement CurrentPlacement() const;

protected:
    virtual void ResizeRequired() {}
    void tResizeTimerTimer();

    void done(int result) override;
    void showEvent(QShowEvent* event) override;

private:
    void ApplyPlacement(const TWindowPlacement& placement);

    int FLastResize = 0;
    bool FCreated = false;
    std::optional<QRect> FPendingOuterGeometry; // outer size to settle once the frame is known
};
