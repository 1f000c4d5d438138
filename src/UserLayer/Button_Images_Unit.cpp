#include "Button_Images_Unit.h"

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

QIcon ButtonImage(int index) {
    if (!InRange(index)) return QIcon();
    QIcon icon;
    for (int size : {16, 32}) {
        const QPixmap pixmap(ResourcePath(size, index));
        if (!pixmap.isNull()) icon.addPixmap(pixmap);
    }
    return icon;
}

QString ButtonImageName(int index) {
    if (!InRange(index)) return QString();
    return QLatin1String(Names[index]);
}
