#include "XEP_AppGlobals.h"

namespace {
QString& Title() {
    static QString title = QStringLiteral("Tivrel");
    return title;
}
QString& HelpFile() {
    static QString helpFile;
    return helpFile;
}
} // namespace

QString ApplicationTitle() {
    return Title();
}
void SetApplicationTitle(const QString& title) {
    Title() = title;
}
QString ApplicationHelpFile() {
    return HelpFile();
}
void SetApplicationHelpFile(const QString& fileName) {
    HelpFile() = fileName;
}
