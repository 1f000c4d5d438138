#pragma once
// Information messages from code that has no window (the data module). The windows install a
// handler that shows them in a message box; without one they go to standard error.

#include <QString>
#include <functional>

using TMessageHandler = std::function<void(const QString&)>;

void ShowInformationMessage(const QString& text);
// Installs a handler and returns the previous one; an empty handler restores the default.
TMessageHandler SetInformationMessageHandler(TMessageHandler handler);
