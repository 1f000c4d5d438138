// The report's bands and items, and its outputs: PDF file, preview window and printer.

#include "TReport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>

namespace {

TReportItem MakeItem(TReportItemKind kind, const QString& text, const QRectF& rect,
                     const QFont& font, Qt::Alignment alignment) {
    TReportItem item;
    item.Kind = kind;
    item.Text = text;
    item.Rect = rect;
    item.Font = font;
    // A font on which nothing was set is the "no font given" default: the report's font
    // applies. A font with some attributes set takes the others from the report's font.
    item.HasFont = font.resolveMask() != 0;
    item.Alignment = alignment;
    return item;
}

QString FileNameForMessage(const QString& fileName) {
    return QDir::toNativeSeparators(fileName);
}

} // namespace

// ---------------------------------------------------------------- bands

TReportItem& TReportBand::AddLabel(const QString& text, const QRectF& rect, const QFont& font,
                                   Qt::Alignment alignment) {
    Items.push_back(MakeItem(TReportItemKind::Label, text, rect, font, alignment));
    return Items.back();
}

TReportItem& TReportBand::AddField(const QString& fieldName, const QRectF& rect, const QFont& font,
                                   Qt::Alignment alignment) {
    Items.push_back(MakeItem(TReportItemKind::Field, fieldName, rect, font, alignment));
    return Items.back();
}

TReportItem& TReportBand::AddExpression(std::function<double(const TRecordSet&)> value,
                                        const QRectF& rect, const QFont& font,
                                        Qt::Alignment alignment) {
    Items.push_back(MakeItem(TReportItemKind::Expression, QString(), rect, font, alignment));
    Items.back().Value = std::move(value);
    return Items.back();
}

TReportItem& TReportBand::AddSum(std::function<double(const TRecordSet&)> value, const QRectF& rect,
                                 const QFont& font, Qt::Alignment alignment) {
    TReportItem& item = AddExpression(std::move(value), rect, font, alignment);
    const bool groupBand =
        Kind == TReportBandKind::GroupHeader || Kind == TReportBandKind::GroupFooter;
    item.Scope = groupBand ? TReportSumScope::Group : TReportSumScope::Report;
    return item;
}

TReportItem& TReportBand::AddDateTime(const QRectF& rect, const QFont& font,
                                      Qt::Alignment alignment) {
    Items.push_back(MakeItem(TReportItemKind::DateTime, QString(), rect, font, alignment));
    return Items.back();
}

TReportItem& TReportBand::AddPageNumber(const QRectF& rect, const QFont& font,
                                        Qt::Alignment alignment) {
    Items.push_back(MakeItem(TReportItemKind::PageNumber, QString(), rect, font, alignment));
    return Items.back();
}

TReportItem& TReportBand::AddLine(double left, double top, double width, const QColor& color,
                                  double lineWidth) {
    Items.push_back(MakeItem(TReportItemKind::Line, QString(), QRectF(left, top, width, 0), QFont(),
                             Qt::AlignLeft));
    Items.back().Color = color;
    Items.back().LineWidth = lineWidth;
    return Items.back();
}

// ---------------------------------------------------------------- report

TReport::TReport() = default;
TReport::~TReport() = default;

TReportGroup& TReport::AddGroup(const QString& keyField) {
    return FGroups.emplace_back(keyField);
}

bool TReport::ExportToPdf(const QString& fileName, QString* error) const {
    // Laid out first: a report that fails (a wrong field name) leaves an old file alone.
    const std::vector<TReportPage> pages = Layout();
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = QStringLiteral("Cannot write the PDF file \"%1\": %2")
                         .arg(FileNameForMessage(fileName), file.errorString());
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setResolution(1200);
        writer.setTitle(Title);
        writer.setCreator(QCoreApplication::applicationName());
        ApplyPageLayout(writer);
        const QString target =
            QStringLiteral("the PDF file \"%1\"").arg(FileNameForMessage(fileName));
        if (!Paint(writer, pages, target, error)) return false;
    }
    if (!file.flush() || file.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("Cannot write the PDF file \"%1\": %2")
                         .arg(FileNameForMessage(fileName), file.errorString());
        return false;
    }
    file.close();
    return true;
}

void TReport::Preview(QWidget* parent) const {
    const std::vector<TReportPage> pages = Layout();
    QPrinter printer(QPrinter::HighResolution);
    // Without an installed printer the preview still works on a PDF printer.
    if (QPrinterInfo::availablePrinters().isEmpty()) printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setDocName(Title);
    ApplyPageLayout(printer);

    QPrintPreviewDialog dialog(&printer, parent);
    if (!Title.isEmpty()) dialog.setWindowTitle(Title);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        dialog.resize(std::min(available.width(), available.height() * 3 / 4),
                      available.height() * 9 / 10);
    }
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [this, &pages](QPrinter* target) {
                         ApplyPageLayout(*target);
                         QPainter painter;
                         if (!painter.begin(target)) return;
                         Render(painter, pages, *target);
                     });
    dialog.exec();
}

TReport::TPrintResult TReport::Print(QString* error) const {
    const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
    if (printers.isEmpty()) {
        if (error) *error = QStringLiteral("No printer is installed.");
        return TPrintResult::NoPrinter;
    }
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) info = printers.first();
    const std::vector<TReportPage> pages = Layout();
    if (pages.empty()) return TPrintResult::Printed; // nothing to print is not a failure

    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(Title);
    ApplyPageLayout(printer);
    const QString target = QStringLiteral("the printer \"%1\"").arg(info.printerName());
    return Paint(printer, pages, target, error) ? TPrintResult::Printed : TPrintResult::Failed;
}
