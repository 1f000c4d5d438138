#pragma once
// The base of every grid exporter: writes a TExportSource to a file or a device in one format
// and reports its progress row by row.
//
// A file is written whole or not at all: the exporter writes a temporary file in the target's
// directory and puts it in place of the target only when everything has been written, so a
// failure (a folder that cannot be written, a full disk, a value the format cannot hold)
// leaves an existing file as it was and no partial file behind. Failures raise EExportError
// with a message naming the file.

#include "TExportSource.h"

#include <QIODevice>
#include <QString>
#include <functional>

// Progress of an export: Position rows of Count written.
struct TExportProgress {
    int Position = 0;
    int Count = 0;
    QString Caption; // the exporter's caption

    // Position as a percentage of Count, rounded to the nearest integer (halves to even);
    // 0 when there is nothing to count.
    int Percent() const;
    // "Exporting (50% finished)"
    QString Text() const;
    bool Finished() const { return Position >= Count; }
};

// The text a progress window shows: "Exporting (%d%% finished)" with the percentage.
QString ExportProgressText(int position, int count);

using TExportProgressEvent = std::function<void(const TExportProgress&)>;

class TGridExporter {
public:
    virtual ~TGridExporter() = default;

    // The title of the progress window while this exporter runs, e.g. "Exporting to HTML...".
    virtual QString Caption() const = 0;

    // Called with position 0 before the first row, then after every row with the number of
    // rows written, the last call reporting Count of Count (an empty source reports 0 of 0).
    TExportProgressEvent OnProgress;

    // Writes the source to the file, replacing it only when complete.
    void ExportGrid(const TExportSource& source, const QString& fileName);
    // Writes the source to an open device.
    void ExportToDevice(const TExportSource& source, QIODevice& device);

protected:
    virtual void DoExport(const TExportSource& source, QIODevice& device) = 0;
    void ReportProgress(int position, int count) const;
    // Writes bytes, raising EExportError when the device refuses them.
    static void Put(QIODevice& device, const QByteArray& bytes);
};
