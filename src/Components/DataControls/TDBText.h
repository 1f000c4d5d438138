#pragma once
// TDBText shows a field's DisplayText as a label; TDBImage shows the picture held in a blob
// field (any format QImage reads, Windows bitmaps included).

#include "TDataControls.h"
#include "TDataSource.h"

#include <QImage>
#include <QLabel>

class TDBText : public QLabel, public IDBPaintable {
    Q_OBJECT
public:
    explicit TDBText(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return FDataLink.DataSource(); }
    void SetDataSource(TDataSource* dataSource) { FDataLink.SetDataSource(dataSource); }
    const QString& DataField() const { return FDataLink.FieldName(); }
    void SetDataField(const QString& fieldName) { FDataLink.SetFieldName(fieldName); }
    TField* Field() const { return FDataLink.Field(); }

    void PaintActiveRecord(QPainter& painter, const QRect& rect) override;

private:
    QString FieldText() const;
    TFieldDataLink FDataLink;
};

class TDBImage : public QLabel, public IDBPaintable {
    Q_OBJECT
public:
    explicit TDBImage(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return FDataLink.DataSource(); }
    void SetDataSource(TDataSource* dataSource) { FDataLink.SetDataSource(dataSource); }
    const QString& DataField() const { return FDataLink.FieldName(); }
    void SetDataField(const QString& fieldName) { FDataLink.SetFieldName(fieldName); }
    TField* Field() const { return FDataLink.Field(); }
    // Scale the picture to the control (keeping its proportions) instead of showing it at
    // its own size; centred either way unless Center is off (then top left).
    bool Stretch() const { return FStretch; }
    void SetStretch(bool stretch);
    bool Center() const { return FCenter; }
    void SetCenter(bool center);

    // The picture of the active buffer (null when the field is empty or unreadable).
    QImage FieldImage() const;
    const QImage& Image() const { return FImage; }

    void PaintActiveRecord(QPainter& painter, const QRect& rect) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawImage(QPainter& painter, const QRect& rect, const QImage& image) const;
    TFieldDataLink FDataLink;
    QImage FImage;
    bool FStretch = false;
    bool FCenter = true;
};
