#include "XEP_Application.h"

#include "XEP_DialogService.h"

#include "Components/Core/SysExceptions.h"

bool RunGuarded(const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const EAbort&) {
        return false;
    } catch (const Exception& e) {
        TDialogService::Instance().ShowError(e.Message());
    } catch (const std::exception& e) {
        TDialogService::Instance().ShowError(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    RunGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
