#include "TDBCtrlGrid.h"

#include "TDataControls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

// The live panel: paints its background like the drawn rows.
class TDBCtrlPanel : public QWidget {
public:
    explicit TDBCtrlPanel(TDBCtrlGrid* grid) : QWidget(grid), FGrid(grid) {
        setObjectName(QStringLiteral("Panel"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        FGrid->PaintPanel(painter, rect(), FGrid->PanelIndex(), true);
    }

private:
    TDBCtrlGrid* FGrid;
};

TDBCtrlGrid::TDBCtrlGrid(QWidget* parent) : QWidget(parent) {
    FPanel = new TDBCtrlPanel(this);
    FScrollBar = new QScrollBar(Qt::Vertical, this);
    FScrollBar->setFocusPolicy(Qt::NoFocus);
    connect(FScrollBar, &QScrollBar::valueChanged, this, &TDBCtrlGrid::ScrollBarMoved);
    setFocusPolicy(Qt::StrongFocus);
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
    Sync();
}

TDBCtrlGrid::~TDBCtrlGrid() = default;

QWidget* TDBCtrlGrid::Panel() const {
    return FPanel;
}

void TDBCtrlGrid::SetDataSource(TDataSource* dataSource) {
    if (FDataSource) disconnect(FDataSource, nullptr, this, nullptr);
    FDataSource = dataSource;
    if (dataSource) {
        connect(dataSource, &TDataSource::DataChange, this, &TDBCtrlGrid::Sync);
        connect(dataSource, &TDataSource::RowsChanged, this, &TDBCtrlGrid::Sync);
        connect(dataSource, &TDataSource::StateChange, this, &TDBCtrlGrid::StateChange);
        connect(dataSource, &QObject::destroyed, this, [this] {
            FDataSource = nullptr;
            Sync();
        });
    }
    FInsertRow = -1;
    StateChange();
}

TRecordSet* TDBCtrlGrid::DataSet() const {
    return FDataSource && FDataSource->IsActive() ? FDataSource->DataSet() : nullptr;
}

void TDBCtrlGrid::SetRowCount(int rowCount) {
    FRowCount = std::max(1, rowCount);
    Sync();
    updateGeometry();
}

void TDBCtrlGrid::SetAutoRowCount(bool autoRowCount) {
    FAutoRowCount = autoRowCount;
    if (autoRowCount) SetRowCount(height() / FPanelHeight);
}

void TDBCtrlGrid::SetPanelHeight(int height) {
    FPanelHeight = std::max(1, height);
    if (FAutoRowCount) FRowCount = std::max(1, this->height() / FPanelHeight);
    Sync();
    updateGeometry();
}

void TDBCtrlGrid::SetScrollBarPolicy(Qt::ScrollBarPolicy policy) {
    FScrollBarPolicy = policy;
    Sync();
}

QColor TDBCtrlGrid::Color() const {
    return palette().color(QPalette::Window);
}

void TDBCtrlGrid::SetColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Window, color);
    setPalette(p);
}

void TDBCtrlGrid::SetSelectedColor(const QColor& color) {
    FSelectedColor = color;
    FPanel->update();
}

int TDBCtrlGrid::PanelWidth() const {
    return FScrollBar->isVisibleTo(this) ? width() - FScrollBar->sizeHint().width() : width();
}

QSize TDBCtrlGrid::sizeHint() const {
    return {FPanel->childrenRect().right() + 1 + FScrollBar->sizeHint().width(),
            FRowCount * FPanelHeight};
}

// ---------------------------------------------------------------- rows

int TDBCtrlGrid::Rows() const {
    const TRecordSet* ds = DataSet();
    if (!ds) return 0;
    return ds->RecordCount() + (ds->State() == TDataSetState::Insert ? 1 : 0);
}

int TDBCtrlGrid::CurrentRow() const {
    return GridCurrentRow(DataSet(), FInsertRow);
}

int TDBCtrlGrid::RecNoOfRow(int row) const {
    return GridRecNoOfRow(DataSet(), row, FInsertRow);
}

int TDBCtrlGrid::PanelIndex() const {
    const int current = CurrentRow();
    if (current < FTopRow || current >= FTopRow + FRowCount) return -1;
    return current - FTopRow;
}

int TDBCtrlGrid::RowAt(const QPoint& point) const {
    if (point.x() < 0 || point.x() >= PanelWidth() || point.y() < 0) return -1;
    const int index = point.y() / FPanelHeight;
    const int row = FTopRow + index;
    return index < FRowCount && row < Rows() ? row : -1;
}

void TDBCtrlGrid::StateChange() {
    const TRecordSet* ds = DataSet();
    if (ds && ds->State() == TDataSetState::Insert) {
        if (FInsertRow < 0)
            FInsertRow =
                FNewRowAtEnd ? ds->RecordCount() : std::clamp(FLastRecNo - 1, 0, ds->RecordCount());
    } else {
        FInsertRow = -1;
    }
    Sync();
}

void TDBCtrlGrid::Sync() {
    if (FSyncing) return;
    FSyncing = true;
    const TRecordSet* ds = DataSet();
    if (ds && ds->State() != TDataSetState::Insert) {
        FLastRecNo = ds->RecNo();
        FInsertRow = -1;
    }
    if (FAutoRowCount) FRowCount = std::max(1, height() / FPanelHeight);
    const int rows = Rows();
    const int current = CurrentRow();
    if (current >= 0) {
        if (current < FTopRow) FTopRow = current;
        if (current >= FTopRow + FRowCount) FTopRow = current - FRowCount + 1;
    }
    FTopRow = std::clamp(FTopRow, 0, std::max(0, rows - FRowCount));

    const bool scrolls = rows > FRowCount;
    FScrollBar->setVisible(FScrollBarPolicy == Qt::ScrollBarAlwaysOn || scrolls);
    FScrollBar->setEnabled(scrolls);
    const int barWidth = FScrollBar->sizeHint().width();
    FScrollBar->setGeometry(width() - barWidth, 0, barWidth, height());
    FScrollBar->setRange(0, std::max(0, rows - 1));
    FScrollBar->setPageStep(FRowCount);
    FScrollBar->setValue(std::max(current, 0));

    const int index = PanelIndex();
    FPanel->setGeometry(0, std::max(index, 0) * FPanelHeight, PanelWidth(), FPanelHeight);
    FPanel->setVisible(index >= 0);
    FPanel->update();
    update();
    FSyncing = false;
}

void TDBCtrlGrid::resizeEvent(QResizeEvent*) {
    Sync();
}

// ---------------------------------------------------------------- painting

void TDBCtrlGrid::PaintPanel(QPainter& painter, const QRect& rect, int index, bool current) {
    const QColor color = current && FSelectedColor.isValid() ? FSelectedColor : Color();
    painter.fillRect(rect, color);
    if (OnPaintPanel) {
        painter.save();
        TDataControls::Guard([&] { OnPaintPanel(*this, index, painter, rect); });
        painter.restore();
    }
}

void TDBCtrlGrid::PaintWidgets(QPainter& painter, QWidget* parent) {
    for (QObject* object : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(object);
        if (!widget || widget->isHidden() || widget->isWindow()) continue;
        painter.save();
        painter.translate(widget->pos());
        if (auto* control = dynamic_cast<IDBPaintable*>(widget)) {
            control->PaintActiveRecord(painter, widget->rect());
        } else {
            widget->render(&painter, QPoint(), QRegion(widget->rect()),
                           QWidget::DrawWindowBackground);
            PaintWidgets(painter, widget);
        }
        painter.restore();
    }
}

void TDBCtrlGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    TRecordSet* ds = DataSet();
    const int rows = Rows();
    const int current = CurrentRow();
    const int width = PanelWidth();
    for (int index = 0; index < FRowCount; ++index) {
        const int row = FTopRow + index;
        const QRect rect(0, index * FPanelHeight, width, FPanelHeight);
        if (!event->rect().intersects(rect) || row == current) continue;
        if (!ds || row >= rows) {
            painter.fillRect(rect, Color());
            continue;
        }
        const int recNo = RecNoOfRow(row);
        if (recNo < 1) continue;
        painter.save();
        painter.translate(rect.topLeft());
        painter.setClipRect(QRect(QPoint(), rect.size()));
        TDataControls::Guard([&] {
            ds->WithRecord(recNo, [&] {
                PaintPanel(painter, QRect(QPoint(), rect.size()), index, false);
                PaintWidgets(painter, FPanel);
            });
        });
        painter.restore();
    }
}

// ---------------------------------------------------------------- moving

bool TDBCtrlGrid::CommitFocusedControl() {
    QWidget* focus = QApplication::focusWidget();
    for (QWidget* w = focus; w && w != FPanel; w = w->parentWidget()) {
        if (!FPanel->isAncestorOf(w)) break;
        if (auto* control = dynamic_cast<IDBPaintable*>(w)) return control->UpdateRecord();
    }
    return true;
}

bool TDBCtrlGrid::MoveToRow(int row) {
    TRecordSet* ds = DataSet();
    if (!ds || row < 0 || row >= Rows() || row == CurrentRow()) return false;
    if (!CommitFocusedControl()) return false;
    return TDataControls::Guard([&] { GridMoveToRow(*ds, row, FInsertRow); });
}

bool TDBCtrlGrid::MoveBy(int distance) {
    TRecordSet* ds = DataSet();
    if (!ds || distance == 0) return false;
    if (!CommitFocusedControl()) return false;
    return TDataControls::Guard([&] { ds->MoveBy(distance); });
}

void TDBCtrlGrid::ScrollBarMoved(int value) {
    if (FSyncing) return;
    if (!MoveToRow(value)) Sync();
}

QWidget* TDBCtrlGrid::ControlAt(const QPoint& gridPoint) const {
    if (!FPanel->isVisible()) return nullptr;
    const QPoint local = gridPoint - FPanel->pos();
    if (!FPanel->rect().contains(local)) return nullptr;
    // The topmost control under the point that takes the focus by a click: a control laid
    // over another that does not (a read-only overlay) lets the one beneath have it.
    const QList<QWidget*> widgets = FPanel->findChildren<QWidget*>();
    for (auto it = widgets.crbegin(); it != widgets.crend(); ++it) {
        QWidget* w = *it;
        if (!w->isVisibleTo(FPanel) || !w->isEnabled() || !(w->focusPolicy() & Qt::ClickFocus))
            continue;
        if (QRect(w->mapTo(FPanel, QPoint()), w->size()).contains(local)) return w;
    }
    return nullptr;
}

void TDBCtrlGrid::FocusControlAt(const QPoint& gridPoint) {
    QWidget* w = ControlAt(gridPoint);
    if (!w) return;
    if (w->hasFocus())
        EnterFocusedControl(); // the same column of another row: entered there
    else
        w->setFocus(Qt::MouseFocusReason);
}

void TDBCtrlGrid::PressButtonAt(const QPoint& gridPoint, const QMouseEvent& event) {
    // A click on a check box of another row ticks it at once, as on the current row: the
    // press goes on to the box, and the release will follow it there.
    auto* button = qobject_cast<QAbstractButton*>(ControlAt(gridPoint));
    if (!button || event.button() != Qt::LeftButton) return;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(button->mapFrom(this, gridPoint)),
                      event.globalPosition(), event.button(), event.buttons(), event.modifiers());
    QApplication::sendEvent(button, &press);
    FPressedButton = button;
}

void TDBCtrlGrid::mouseReleaseEvent(QMouseEvent* event) {
    QPointer<QAbstractButton> button = FPressedButton;
    FPressedButton = nullptr;
    if (!button) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    QMouseEvent release(
        QEvent::MouseButtonRelease, QPointF(button->mapFrom(this, event->position().toPoint())),
        event->globalPosition(), event->button(), event->buttons(), event->modifiers());
    QApplication::sendEvent(button, &release);
    event->accept();
}

void TDBCtrlGrid::mousePressEvent(QMouseEvent* event) {
    // The right button moves to the row too, so that the pop-up menu it opens acts on the row
    // clicked.
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return;
    const int row = RowAt(event->position().toPoint());
    if (row < 0 || row == CurrentRow()) return;
    // The click takes the focus from the row's control first: it writes and runs its exit
    // while its row is still current, and may refuse.
    QWidget* focus = QApplication::focusWidget();
    if (focus && FPanel->isAncestorOf(focus)) {
        setFocus(Qt::MouseFocusReason);
        for (QWidget* w = focus; w && w != FPanel; w = w->parentWidget())
            if (auto* control = dynamic_cast<IDBPaintable*>(w); control && control->HoldsFocus())
                return;
    }
    const int index = row - FTopRow;
    const QPoint inPanel = event->position().toPoint() - QPoint(0, index * FPanelHeight);
    if (!MoveToRow(row)) return;
    FocusControlAt(FPanel->pos() + inPanel);
    PressButtonAt(FPanel->pos() + inPanel, *event);
}

void TDBCtrlGrid::keyPressEvent(QKeyEvent* event) {
    int distance = 0;
    switch (event->key()) {
    case Qt::Key_Up:
        distance = -1;
        break;
    case Qt::Key_Down:
        distance = 1;
        break;
    case Qt::Key_PageUp:
        distance = -FRowCount;
        break;
    case Qt::Key_PageDown:
        distance = FRowCount;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter in a cell goes down a row, as in a spreadsheet (the cell has written its text).
        if (event->modifiers() != Qt::NoModifier && event->modifiers() != Qt::KeypadModifier) {
            QWidget::keyPressEvent(event);
            return;
        }
        distance = 1;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if (MoveBy(distance) || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        EnterFocusedControl();
    event->accept();
}

void TDBCtrlGrid::EnterFocusedControl() {
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !FPanel->isAncestorOf(focus)) return;
    for (QWidget* w = focus; w && w != FPanel; w = w->parentWidget())
        if (auto* control = dynamic_cast<IDBPaintable*>(w)) {
            control->RowEntered();
            return;
        }
}

void TDBCtrlGrid::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0 && MoveBy(-steps)) EnterFocusedControl();
    event->accept();
}

void TDBCtrlGrid::contextMenuEvent(QContextMenuEvent* event) {
    Q_EMIT contextMenuRequested(event->globalPos());
    if (FPopupMenu) FPopupMenu->popup(event->globalPos());
    event->accept();
}
