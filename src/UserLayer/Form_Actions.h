#pragma once
// The actions of the program's windows: caption, hint (tool tip and status text), a picture of
// the button image list and a shortcut; their handlers run inside the error guard.

#include <QKeySequence>
#include <functional>

class QAction;
class QObject;

QAction* NewAction(QObject* owner, const char* name, const char* caption, const char* hint,
                   int image, const QKeySequence& shortcut = {});
void OnTriggered(QAction* action, std::function<void()> handler);
