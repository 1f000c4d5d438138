#pragma once
// Information messages and Yes/No questions from code that has no window (the data module).
// The windows install handlers that show them in message boxes; without one a message goes to
// standard error and a question is answered No.

#include <QString>
#include <functional>

using TMessageHandler = std::function<void(const QString&)>;

void ShowInformationMessage(const QString& text);
// Installs a handler and returns the previous one; an empty handler restores the default.
TMessageHandler SetInformationMessageHandler(TMessageHandler handler);

using TConfirmationHandler = std::function<bool(const QString&)>;

// Asks a Yes/No question; true for Yes.
bool AskConfirmation(const QString& text);
// Installs a handler and returns the previous one; an empty handler restores the default.
TConfirmationHandler SetConfirmationHandler(TConfirmationHandler handler);
