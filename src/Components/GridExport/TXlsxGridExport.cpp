#include "TXlsxGridExport.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysStrings.h"

#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QTemporaryFile>
#include <cmath>
#include <xlsxwriter.h>

namespace {
// libxlsxwriter is loaded when a workbook is first written, not at every start of the program:
// it brings a cryptography library with it, milliseconds of every start otherwise.
struct TXlsxLibrary {
    decltype(&::workbook_new) workbook_new = nullptr;
    decltype(&::workbook_close) workbook_close = nullptr;
    decltype(&::workbook_add_worksheet) workbook_add_worksheet = nullptr;
    decltype(&::workbook_add_format) workbook_add_format = nullptr;
    decltype(&::format_set_num_format) format_set_num_format = nullptr;
    decltype(&::format_set_bold) format_set_bold = nullptr;
    decltype(&::format_set_text_wrap) format_set_text_wrap = nullptr;
    decltype(&::format_set_align) format_set_align = nullptr;
    decltype(&::worksheet_set_column) worksheet_set_column = nullptr;
    decltype(&::worksheet_write_string) worksheet_write_string = nullptr;
    decltype(&::worksheet_write_number) worksheet_write_number = nullptr;
    decltype(&::worksheet_write_boolean) worksheet_write_boolean = nullptr;
    decltype(&::worksheet_freeze_panes) worksheet_freeze_panes = nullptr;
    decltype(&::lxw_strerror) lxw_strerror = nullptr;
    QString Error; // why the library cannot be used
};

template <typename TFunction>
void Resolve(QLibrary& library, const char* name, TFunction& function, QString& error) {
    function = reinterpret_cast<TFunction>(library.resolve(name));
    if (!function && error.isEmpty()) error = library.errorString();
}

TXlsxLibrary LoadXlsxLibrary() {
    TXlsxLibrary writer;
    static QLibrary library(QStringLiteral(TIVREL_XLSXWRITER_LIBRARY));
    if (!library.load()) {
        writer.Error = library.errorString();
        return writer;
    }
    Resolve(library, "workbook_new", writer.workbook_new, writer.Error);
    Resolve(library, "workbook_close", writer.workbook_close, writer.Error);
    Resolve(library, "workbook_add_worksheet", writer.workbook_add_worksheet, writer.Error);
    Resolve(library, "workbook_add_format", writer.workbook_add_format, writer.Error);
    Resolve(library, "format_set_num_format", writer.format_set_num_format, writer.Error);
    Resolve(library, "format_set_bold", writer.format_set_bold, writer.Error);
    Resolve(library, "format_set_text_wrap", writer.format_set_text_wrap, writer.Error);
    Resolve(library, "format_set_align", writer.format_set_align, writer.Error);
    Resolve(library, "worksheet_set_column", writer.worksheet_set_column, writer.Error);
    Resolve(library, "worksheet_write_string", writer.worksheet_write_string, writer.Error);
    Resolve(library, "worksheet_write_number", writer.worksheet_write_number, writer.Error);
    Resolve(library, "worksheet_write_boolean", writer.worksheet_write_boolean, writer.Error);
    Resolve(library, "worksheet_freeze_panes", writer.worksheet_freeze_panes, writer.Error);
    Resolve(library, "lxw_strerror", writer.lxw_strerror, writer.Error);
    return writer;
}

const TXlsxLibrary& Xlsx() {
    static const TXlsxLibrary writer = LoadXlsxLibrary();
    return writer;
}

constexpr int MaxRows = 1048576;
constexpr int MaxColumns = 16384;
constexpr int MaxStringLength = 32767;

// The workbook being written; closed (and freed) in every case.
class TWorkbook {
public:
    explicit TWorkbook(const QByteArray& fileName)
        : FBook(Xlsx().workbook_new(fileName.constData())) {}
    ~TWorkbook() {
        if (FBook) Xlsx().workbook_close(FBook);
    }
    TWorkbook(const TWorkbook&) = delete;
    TWorkbook& operator=(const TWorkbook&) = delete;
    lxw_workbook* Get() const { return FBook; }
    lxw_error Close() {
        lxw_workbook* book = FBook;
        FBook = nullptr;
        return Xlsx().workbook_close(book);
    }

private:
    lxw_workbook* FBook;
};

QString ErrorText(lxw_error error) {
    return QString::fromUtf8(Xlsx().lxw_strerror(error));
}

void Check(lxw_error error, int row, const QString& title) {
    if (error == LXW_NO_ERROR) return;
    throw EExportError(QStringLiteral("Cannot write the value of column \"%1\" in row %2: %3")
                           .arg(title)
                           .arg(row)
                           .arg(ErrorText(error)));
}

// A column width in characters: the grid's, widened to the longest line of text (within
// reason) so that dates and numbers do not show as "###".
double ColumnWidth(const TExportSource& source, size_t column) {
    const TExportField& field = source.Fields[column];
    qsizetype longest = field.Title.size();
    if (field.Exportable()) {
        for (const TExportRow& row : source.Rows) {
            for (const QStringView line : QStringView(row[column].Text).split(QLatin1Char('\n')))
                longest = std::max(longest, line.size());
        }
    }
    const double fromGrid = (field.Width - 5) / 7.0;
    return std::max({1.0, fromGrid, std::min(double(longest) + 2, 60.0)});
}

lxw_format* NumberFormat(lxw_workbook* book, const QString& format) {
    lxw_format* result = Xlsx().workbook_add_format(book);
    Xlsx().format_set_num_format(result, format.toUtf8().constData());
    return result;
}
} // namespace

QString TXlsxGridExport::SpreadsheetDateFormat(const QString& qtFormat) {
    QString out;
    qsizetype i = 0;
    while (i < qtFormat.size()) {
        const QChar c = qtFormat[i];
        qsizetype run = 1;
        while (i + run < qtFormat.size() && qtFormat[i + run] == c)
            ++run;
        switch (c.unicode()) {
        case 'd':
        case 'm':
        case 's':
            out += QString(run, c);
            break;
        case 'M':
            out += QString(std::min<qsizetype>(run, 4), QLatin1Char('m'));
            break;
        case 'y':
            out += run >= 4 ? QStringLiteral("yyyy") : QStringLiteral("yy");
            break;
        case 'h':
        case 'H':
            out += QString(std::min<qsizetype>(run, 2), QLatin1Char('h'));
            break;
        case 'z':
            out += QString(std::max<qsizetype>(run, 3), QLatin1Char('0'));
            break;
        case 'A':
        case 'a':
            if (i + 1 < qtFormat.size() && qtFormat[i + 1].toLower() == QLatin1Char('p'))
                run = 2;
            else
                run = 1;
            out += QStringLiteral("AM/PM");
            break;
        case '\'': {
            // Quoted text; two quotes stand for one.
            const qsizetype end = qtFormat.indexOf(QLatin1Char('\''), i + 1);
            if (end == i + 1) {
                out += QStringLiteral("\\'");
                run = 2;
            } else {
                const qsizetype stop = end < 0 ? qtFormat.size() : end;
                out += QLatin1Char('"') + qtFormat.mid(i + 1, stop - i - 1) + QLatin1Char('"');
                run = stop - i + 1;
            }
            break;
        }
        default:
            for (qsizetype k = 0; k < run; ++k) {
                if (c.isLetter() || c == QLatin1Char('"') || c == QLatin1Char('\\'))
                    out += QLatin1Char('\\');
                out += c;
            }
        }
        i += run;
    }
    return out;
}

bool TXlsxGridExport::SpreadsheetSerial(double dayNumber, bool timeAlone, double& serial) {
    if (!std::isfinite(dayNumber)) return false;
    if (dayNumber >= 61) { // from 1 March 1900 the two counts agree
        serial = dayNumber;
        return true;
    }
    if (dayNumber >= 2) { // 1 January to 28 February 1900
        serial = dayNumber - 1;
        return true;
    }
    if (timeAlone && dayNumber >= 0 && dayNumber < 1) {
        serial = dayNumber;
        return true;
    }
    return false;
}

void TXlsxGridExport::DoExport(const TExportSource& source, QIODevice& device) {
    const int count = int(source.Rows.size());
    if (count >= MaxRows)
        throw EExportError(QStringLiteral("A worksheet holds at most %1 rows; there are %2")
                               .arg(MaxRows - 1)
                               .arg(count));
    if (source.Fields.size() > size_t(MaxColumns))
        throw EExportError(QStringLiteral("A worksheet holds at most %1 columns").arg(MaxColumns));
    if (!Xlsx().Error.isEmpty())
        throw EExportError(QStringLiteral("Cannot write Excel workbooks: %1").arg(Xlsx().Error));
    ReportProgress(0, count);

    // The library writes to a named file; it is read back into the device at the end.
    QTemporaryFile temporary(QDir::tempPath() + QStringLiteral("/export-XXXXXX.xlsx"));
    if (!temporary.open())
        throw EExportError(
            QStringLiteral("Cannot create a temporary file: %1").arg(temporary.errorString()));
    temporary.close();

    const TFormatSettings& settings = TFormatSettings::Current();
    {
        TWorkbook book(QFile::encodeName(temporary.fileName()));
        if (!book.Get()) throw EExportError(QStringLiteral("Cannot create the workbook"));
        lxw_worksheet* sheet = Xlsx().workbook_add_worksheet(book.Get(), nullptr);
        lxw_format* bold = Xlsx().workbook_add_format(book.Get());
        Xlsx().format_set_bold(bold);
        lxw_format* wrap = Xlsx().workbook_add_format(book.Get());
        Xlsx().format_set_text_wrap(wrap);
        Xlsx().format_set_align(wrap, LXW_ALIGN_VERTICAL_TOP);
        lxw_format* money = NumberFormat(book.Get(), QStringLiteral("#,##0.00"));
        lxw_format* date =
            NumberFormat(book.Get(), SpreadsheetDateFormat(settings.ShortDateFormat));
        lxw_format* time = NumberFormat(book.Get(), SpreadsheetDateFormat(settings.LongTimeFormat));
        lxw_format* dateTime = NumberFormat(
            book.Get(), SpreadsheetDateFormat(settings.ShortDateFormat) + QLatin1Char(' ') +
                            SpreadsheetDateFormat(settings.LongTimeFormat));

        lxw_format* boolean =
            NumberFormat(book.Get(), QStringLiteral("\"TRUE\";\"TRUE\";\"FALSE\""));

        for (size_t c = 0; c < source.Fields.size(); ++c) {
            const TExportField& field = source.Fields[c];
            Xlsx().worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), ColumnWidth(source, c),
                                        nullptr);
            Check(Xlsx().worksheet_write_string(
                      sheet, 0, lxw_col_t(c),
                      CutToLength(field.Title, MaxStringLength).toUtf8().constData(), bold),
                  0, field.Title);
        }
        if (!source.Fields.empty()) Xlsx().worksheet_freeze_panes(sheet, 1, 0);

        for (int r = 0; r < count; ++r) {
            const TExportRow& row = source.Rows[size_t(r)];
            const lxw_row_t at = lxw_row_t(r + 1);
            for (size_t c = 0; c < source.Fields.size(); ++c) {
                const TExportField& field = source.Fields[c];
                const TExportCell& cell = row[c];
                if (!field.Exportable() || !cell.Value.isValid() || cell.Value.isNull()) continue;
                const lxw_col_t col = lxw_col_t(c);
                lxw_error error = LXW_NO_ERROR;
                switch (field.Kind) {
                case TExportKind::Integer:
                case TExportKind::Float:
                    error = Xlsx().worksheet_write_number(sheet, at, col, cell.Value.toDouble(),
                                                          nullptr);
                    break;
                case TExportKind::Currency:
                    error =
                        Xlsx().worksheet_write_number(sheet, at, col, cell.Value.toDouble(), money);
                    break;
                case TExportKind::Boolean:
                    error = Xlsx().worksheet_write_boolean(sheet, at, col, cell.Value.toBool(),
                                                           boolean);
                    break;
                case TExportKind::DateTime:
                case TExportKind::Time: {
                    const double day = cell.Value.toDouble();
                    const bool timeAlone = field.Kind == TExportKind::Time || (day > 0 && day < 1);
                    double serial = 0;
                    if (!SpreadsheetSerial(day, timeAlone, serial)) {
                        error = Xlsx().worksheet_write_string(
                            sheet, at, col, cell.Text.toUtf8().constData(), nullptr);
                        break;
                    }
                    lxw_format* format = dateTime;
                    if (timeAlone)
                        format = time;
                    else if (DayNumberToTime(day).msecsSinceStartOfDay() == 0)
                        format = date;
                    error = Xlsx().worksheet_write_number(sheet, at, col, serial, format);
                    break;
                }
                case TExportKind::Text:
                case TExportKind::Memo:
                case TExportKind::Blob: {
                    if (cell.Text.size() > MaxStringLength)
                        throw EExportError(
                            QStringLiteral("The value of column \"%1\" in row %2 is longer than "
                                           "a worksheet cell holds (%3 characters)")
                                .arg(field.Title)
                                .arg(r + 1)
                                .arg(MaxStringLength));
                    // A line break in a cell is a single line feed.
                    QString text = cell.Text;
                    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
                    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
                    const bool multiLine = text.contains(QLatin1Char('\n'));
                    error = Xlsx().worksheet_write_string(sheet, at, col, text.toUtf8().constData(),
                                                          multiLine ? wrap : nullptr);
                    break;
                }
                }
                Check(error, r + 1, field.Title);
            }
            ReportProgress(r + 1, count);
        }
        const lxw_error closed = book.Close();
        if (closed != LXW_NO_ERROR)
            throw EExportError(
                QStringLiteral("Cannot write the workbook: %1").arg(ErrorText(closed)));
    }

    QFile written(temporary.fileName());
    if (!written.open(QIODevice::ReadOnly))
        throw EExportError(
            QStringLiteral("Cannot read the workbook back: %1").arg(written.errorString()));
    Put(device, written.readAll());
}
