#pragma once
// What the application object knows beyond its windows: its title and its help file.

#include <QString>

QString ApplicationTitle();
void SetApplicationTitle(const QString& title);
QString ApplicationHelpFile();
void SetApplicationHelpFile(const QString& fileName);
