#pragma once
// The base of the four printed reports: one banded report over the chart data set on an A4
// landscape page with 10 mm margins in Times New Roman. Its page header carries the date and
// time, "<title> Reports" in italics, the page number, a navy line and the date range of the
// last report gathered; its page footer one italic caption line. A layout adds its heading,
// column headings, groups, detail and totals.
//
// The layouts are plain objects: they are never shown as windows, only their report is
// previewed, printed or written to PDF.

#include "Components/ReportEngine/TReport.h"

#include <QString>

class QWidget;
class TRecordSet;
class TdmTasks_Form;

class TBaseReportXEP_BaseForm {
public:
    // reportDetails: the reports window's criteria record, read for the date range.
    TBaseReportXEP_BaseForm(TdmTasks_Form& dm, TRecordSet& reportDetails);
    virtual ~TBaseReportXEP_BaseForm();
    TBaseReportXEP_BaseForm(const TBaseReportXEP_BaseForm&) = delete;
    TBaseReportXEP_BaseForm& operator=(const TBaseReportXEP_BaseForm&) = delete;

    TReport qrBaseReport;
    QString lblAppReports; // the application title + " Reports"

    // Reads Value as days and writes the days, hours and minutes of a working day.
    void DHMPrint(QString& Value) const;
    // Reads Value as a day fraction times a daily rate and writes the rate earned in working
    // days, as "#,##0.00" with the locale's separators.
    void TaskValuePrint(QString& Value) const;

    // The report on screen, on the default printer (when there is none the user is offered a
    // PDF file instead), or as a PDF file.
    void Preview(QWidget* parent);
    void Print(QWidget* parent);
    bool ExportToPdf(const QString& fileName, QString* error = nullptr) const;
    // The report prints a value (time times the daily rate) on its task rows.
    bool PrintsValue() const;

protected:
    void FormCreate();

    // Geometry shared by the layouts, in millimetres.
    static constexpr double PageWidth = 277;   // A4 landscape less the margins
    static constexpr double LineHeight = 5;    // one 10-point line
    static constexpr double HeadingTop = 14;   // the layout's heading in the page header
    static constexpr double ColumnsTop = 24;   // the column headings
    static constexpr double HeaderHeight = 31; // the whole page header

    // The title of the preview and the print job, repeated in the page footer.
    void SetTitle(const QString& title);
    QFont ReportFont(double pointSize = 10, bool bold = false, bool italic = false) const;
    // The layout's heading in bold 20-point type; centred or at the left.
    void AddHeading(const QString& text, bool centred = false);
    // A column heading in the page header.
    void AddColumnHeading(const QString& text, double left, double width,
                          Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);

    struct TColumn {
        double Left = 0, Width = 0; // no column when Width is 0
    };
    // A field of the chart data set in a column.
    TReportItem& AddField(TReportBand& band, const char* field, TColumn column, const QFont& font,
                          Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    // A totals line: a name field (when given), a caption, the duration total and, when the
    // value column is given, the value total.
    void AddTotals(TReportBand& band, const char* nameField, TColumn name, const QString& caption,
                   TColumn captionColumn, TColumn duration, TColumn value, const QFont& font);

    // The project group (its name in bold) and the detail's task code, description and time.
    TReportGroup& AddProjectsAndTasks(TColumn project, TColumn code, TColumn description,
                                      TColumn duration);

    // The layout of the time-and-value reports: an optional outer group (a client or a user)
    // around the project groups, the task codes' time and value, totals per group and for the
    // whole report. The innermost footer of all is italic, the report total bold.
    struct TOuterGroup {
        const char* KeyField;
        const char* NameField;
        QString ColumnTitle;
    };
    void BuildValueLayout(const QString& heading, bool centredHeading, const TOuterGroup* outer);

    // Items of the chart data set printed through the hooks.
    TReportItem& AddDurationTotal(TReportBand& band, double left, double width, const QFont& font);
    TReportItem& AddValue(TReportBand& band, double left, double width, const QFont& font);
    TReportItem& AddValueTotal(TReportBand& band, double left, double width, const QFont& font);

    TdmTasks_Form& FDm;
    TRecordSet& FReportDetails;
};
