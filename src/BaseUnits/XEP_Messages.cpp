#include "XEP_Messages.h"

#include <QTextStream>

namespace {
TMessageHandler& Handler() {
    static TMessageHandler handler;
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
