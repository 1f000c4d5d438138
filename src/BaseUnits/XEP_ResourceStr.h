#pragma once
// The program's text resources.

#include <QString>

// Asked when a maintenance dialog is closed other than by its buttons.
inline QString sApplyChanges() {
    return QStringLiteral("Do you wish to apply any changes ?");
}
// The application name in the main window's caption.
inline QString sApplicationName() {
    return QStringLiteral("Plenk");
}

// Registry and directory names. On the registry side they are QSettings groups; on the file
// side the trailing "\" becomes the platform's separator (see Dirs_Obj_Unit).
inline QString sRegistryRoot() {
    return QStringLiteral("\\Software\\Korvane\\");
}
inline QString sOrganisation() {
    return QStringLiteral("Korvane");
}
inline QString sLocationsKey() {
    return QStringLiteral("Locations\\");
}
inline QString sFormsKey() {
    return QStringLiteral("Forms\\");
}
inline QString sRootDirValue() {
    return QStringLiteral("RootDir");
}
inline QString sBinDir() {
    return QStringLiteral("Bin\\");
}
inline QString sDataDir() {
    return QStringLiteral("Data\\");
}
inline QString sImagesDir() {
    return QStringLiteral("Images\\");
}
