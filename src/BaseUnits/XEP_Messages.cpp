#include "XEP_Messages.h"

#include <QTextStream>

namespace {
TMessageHandler& Handler() {
    static TMessageHandler handler;
    return handler;
}
TConfirmationHandler& Confirmation() {
    static TConfirmationHandler handler;
    return handler;
}
} // namespace

void ShowInformationMessage(const QString& text) {
    if (Handler()) {
        Handler()(text);
        return;
    }
    QTextStream(stderr) << text << '\n';
}

TMessageHandler SetInformationMessageHandler(TMessageHandler handler) {
    std::swap(Handler(), handler);
    return handler;
}

bool AskConfirmation(const QString& text) {
    if (Confirmation()) return Confirmation()(text);
    QTextStream(stderr) << text << '\n';
    return false;
}

TConfirmationHandler SetConfirmationHandler(TConfirmationHandler handler) {
    std::swap(Confirmation(), handler);
    return handler;
}
