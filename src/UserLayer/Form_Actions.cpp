#include "Form_Actions.h"

#include "Button_Images_Unit.h"

#include "Components/DataControls/TDataControls.h"

#include <QAction>

QAction* NewAction(QObject* owner, const char* name, const char* caption, const char* hint,
                   int image, const QKeySequence& shortcut) {
    auto* action = new QAction(QLatin1String(caption), owner);
    action->setObjectName(QLatin1String(name));
    if (hint) {
        action->setToolTip(QLatin1String(hint));
        action->setStatusTip(QLatin1String(hint));
    }
    if (image >= 0) action->setIcon(ButtonImage(image));
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    return action;
}

void OnTriggered(QAction* action, std::function<void()> handler) {
    QObject::connect(action, &QAction::triggered, action,
                     [handler = std::move(handler)] { TDataControls::Guard(handler); });
}
