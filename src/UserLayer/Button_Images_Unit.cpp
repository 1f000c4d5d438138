#include "Button_Images_Unit.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

namespace {
constexpr int Count = 52;

const char* const Names[Count] = {
    "Submit",          // 0
    "Report",          // 1
    "Step",            // 2
    "Authorise",       // 3
    "History",         // 4
    "Invoice",         // 5
    "Export",          // 6
    "Import",          // 7
    "Save",            // 8
    "Print",           // 9
    "Preview",         // 10
    "New",             // 11
    "Open",            // 12
    "Delete",          // 13
    "Refresh",         // 14
    "Find",            // 15
    "Undo",            // 16
    "Redo",            // 17
    "Filter",          // 18
    "Sort Ascending",  // 19
    "Sort Descending", // 20
    "Lock",            // 21
    "Information",     // 22
    "Warning",         // 23
    "Error",           // 24
    "Help",            // 25
    "Mail",            // 26
    "Home",            // 27
    "Edit",            // 28
    "Note",            // 29
    "Flag",            // 30
    "Users",           // 31
    "Clients",         // 32
    "First",           // 33
    "Last",            // 34
    "Next",            // 35
    "Prior",           // 36
    "Start",           // 37
    "Pause",           // 38
    "Projects",        // 39
    "Add Task",        // 40
    "Remove Task",     // 41
    "Tasks",           // 42
    "Review",          // 43
    "Options",         // 44
    "Cut",             // 45
    "Paste",           // 46
    "Copy",            // 47
    "Favourite",       // 48
    "Calculator",      // 49
    "Online Help",     // 50
    "Exit",            // 51
};

bool InRange(int index) {
    return index >= 0 && index < Count;
}

QString ResourcePath(int size, int index) {
    return QStringLiteral(":/icons/%1/%2.png").arg(size).arg(index, 2, 10, QLatin1Char('0'));
}
} // namespace

int ButtonImageCount() {
    return Count;
}

namespace {
// The picture of an index, both sizes, decoded once for all the actions that show it.
const QIcon& DecodedImage(int index) {
    // Kept to the end of the process, never destroyed after the application object.
    static QIcon* const decoded = new QIcon[Count];
    QIcon& icon = decoded[index];
    if (icon.isNull()) {
        for (int size : {16, 32}) {
            const QPixmap pixmap(ResourcePath(size, index));
            if (!pixmap.isNull()) icon.addPixmap(pixmap);
        }
    }
    return icon;
}

// Decodes its picture when it is first painted or measured: most actions' pictures are in
// menus not yet opened or in windows not yet shown, and decoding them all would hold up the
// start of the program.
class TButtonImageEngine final : public QIconEngine {
public:
    explicit TButtonImageEngine(int index) : FIndex(index) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        DecodedImage(FIndex).paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return DecodedImage(FIndex).pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        return DecodedImage(FIndex).pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return DecodedImage(FIndex).actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return DecodedImage(FIndex).availableSizes(mode, state);
    }
    bool isNull() override { return false; } // every index has its pictures (a resource)
    QIconEngine* clone() const override { return new TButtonImageEngine(FIndex); }

private:
    int FIndex;
};
} // namespace

QIcon ButtonImage(int index) {
    if (!InRange(index)) return QIcon();
    return QIcon(new TButtonImageEngine(index));
}

QString ButtonImageName(int index) {
    if (!InRange(index)) return QString();
    return QLatin1String(Names[index]);
}
