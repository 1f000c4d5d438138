#include "TDBText.h"

#include <QHash>
#include <QPainter>
#include <QStyle>

// ---------------------------------------------------------------- TDBText

TDBText::TDBText(QWidget* parent) : QLabel(parent), FDataLink(this) {
    setTextFormat(Qt::PlainText);
    auto refresh = [this] { setText(FieldText()); };
    connect(&FDataLink, &TFieldDataLink::DataChange, this, refresh);
    connect(&FDataLink, &TFieldDataLink::ActiveChange, this, refresh);
}

QString TDBText::FieldText() const {
    const TField* field = FDataLink.Field();
    QString text;
    if (field) TDataControls::Guard([&] { text = field->DisplayText(); });
    return text;
}

void TDBText::PaintActiveRecord(QPainter& painter, const QRect& rect) {
    if (autoFillBackground()) painter.fillRect(rect, palette().brush(backgroundRole()));
    painter.save();
    painter.setFont(font());
    const QRect textRect =
        rect.marginsRemoved(contentsMargins()).adjusted(margin(), margin(), -margin(), -margin());
    const int flags = int(QStyle::visualAlignment(layoutDirection(), alignment())) |
                      (wordWrap() ? int(Qt::TextWordWrap) : 0);
    style()->drawItemText(&painter, textRect, flags, palette(), isEnabled(), FieldText(),
                          foregroundRole());
    painter.restore();
}

// ---------------------------------------------------------------- TDBImage

TDBImage::TDBImage(QWidget* parent) : QLabel(parent), FDataLink(this) {
    auto refresh = [this] {
        FImage = FieldImage();
        update();
    };
    connect(&FDataLink, &TFieldDataLink::DataChange, this, refresh);
    connect(&FDataLink, &TFieldDataLink::ActiveChange, this, refresh);
}

void TDBImage::SetStretch(bool stretch) {
    FStretch = stretch;
    update();
}

void TDBImage::SetCenter(bool center) {
    FCenter = center;
    update();
}

namespace {
// The images of a column are few and shown on every row painted: each is decoded once.
QImage DecodedImage(const QByteArray& bytes) {
    constexpr qsizetype MostKept = 64;
    // The user-interface thread's, as every control; kept to the end of the process (a save at
    // the program's exit may still paint).
    static auto* const decoded = new QHash<QByteArray, QImage>;
    if (bytes.isEmpty()) return {};
    const auto found = decoded->constFind(bytes);
    if (found != decoded->cend()) return *found;
    if (decoded->size() >= MostKept) decoded->clear();
    const QImage image = QImage::fromData(bytes);
    decoded->insert(bytes, image);
    return image;
}
} // namespace

QImage TDBImage::FieldImage() const {
    const TField* field = FDataLink.Field();
    QByteArray bytes;
    if (field) TDataControls::Guard([&] { bytes = field->AsBytes(); });
    return DecodedImage(bytes);
}

void TDBImage::DrawImage(QPainter& painter, const QRect& rect, const QImage& image) const {
    if (autoFillBackground()) painter.fillRect(rect, palette().brush(backgroundRole()));
    if (image.isNull()) return;
    const QRect area = rect.marginsRemoved(contentsMargins());
    QSize size = image.size();
    if (FStretch) size.scale(area.size(), Qt::KeepAspectRatio);
    QRect target(area.topLeft(), size);
    if (FCenter) target.moveCenter(area.center());
    painter.save();
    painter.setClipRect(area);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, FStretch);
    painter.drawImage(target, image);
    painter.restore();
}

void TDBImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    DrawImage(painter, rect(), FImage);
}

void TDBImage::PaintActiveRecord(QPainter& painter, const QRect& rect) {
    DrawImage(painter, rect, FieldImage());
}
