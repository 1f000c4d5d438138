#include "TGridExporter.h"

#include <QFileInfo>
#include <QSaveFile>

int TExportProgress::Percent() const {
    if (Count <= 0) return 0;
    const qint64 scaled = qint64(Position) * 100;
    qint64 quotient = scaled / Count;
    const qint64 twiceRemainder = 2 * (scaled % Count);
    if (twiceRemainder > Count || (twiceRemainder == Count && quotient % 2 != 0)) ++quotient;
    return int(quotient);
}

QString TExportProgress::Text() const {
    return QStringLiteral("Exporting (%1% finished)").arg(Percent());
}

QString ExportProgressText(int position, int count) {
    TExportProgress progress;
    progress.Position = position;
    progress.Count = count;
    return progress.Text();
}

void TGridExporter::ReportProgress(int position, int count) const {
    if (!OnProgress) return;
    TExportProgress progress;
    progress.Position = position;
    progress.Count = count;
    progress.Caption = Caption();
    OnProgress(progress);
}

void TGridExporter::Put(QIODevice& device, const QByteArray& bytes) {
    if (device.write(bytes) != bytes.size())
        throw EExportError(QStringLiteral("Cannot write the export: %1").arg(device.errorString()));
}

void TGridExporter::ExportToDevice(const TExportSource& source, QIODevice& device) {
    DoExport(source, device);
}

void TGridExporter::ExportGrid(const TExportSource& source, const QString& fileName) {
    const QString shown = QFileInfo(fileName).absoluteFilePath();
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EExportError(
            QStringLiteral("Cannot create the file \"%1\": %2").arg(shown, file.errorString()));
    try {
        DoExport(source, file);
    } catch (const Exception& e) {
        file.cancelWriting();
        throw EExportError(
            QStringLiteral("The file \"%1\" was not written. %2").arg(shown, e.Message()));
    }
    if (!file.commit())
        throw EExportError(
            QStringLiteral("Cannot write the file \"%1\": %2").arg(shown, file.errorString()));
}
