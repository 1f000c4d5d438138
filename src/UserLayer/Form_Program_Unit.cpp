#include "Form_Program_Unit.h"

#include "BaseUnits/XEP_AppGlobals.h"
#include "BaseUnits/XEP_Application.h"
#include "BaseUnits/XEP_DialogService.h"
#include "BaseUnits/XEP_Messages.h"
#include "BaseUnits/XEP_ResourceStr.h"
#include "Form_Main_Unit.h"
#include "Form_Reporting_Unit.h"
#include "Form_Submit_Unit.h"

#include "Components/Core/SysExceptions.h"
#include "Components/DataControls/TDataControls.h"

#include <QApplication>
#include <QSessionManager>
#include <memory>

namespace {
// Messages of the data module and errors caught by the data-aware controls go to the
// program's message boxes.
void InstallMessageHandlers() {
    SetInformationMessageHandler(
        [](const QString& text) { TDialogService::Instance().ShowInformation(text); });
    TDataControls::OnError = [](const Exception& error) {
        TDialogService::Instance().ShowError(error.Message());
    };
}
} // namespace

int RunProgramWindows(const TDataModuleOptions& options) {
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    SetApplicationTitle(QStringLiteral("Tivrel")); // 2. the title
    // No display name: the toolkit would append it to every caption (" — Tivrel").
    application->setApplicationName(ApplicationTitle());
    application->setOrganizationName(sOrganisation());

    // 3. The data module: directories, tables, help file.
    InstallMessageHandlers();
    std::unique_ptr<TdmTasks_Form> dataModule;
    const bool created =
        RunGuarded([&] { dataModule = std::make_unique<TdmTasks_Form>(nullptr, options); });
    if (!created) return 1;

    // 4. The windows, owned by the application for the whole run: the main window first (its
    // creation shows the splash window), then the review window it hands over to and the
    // reports window the review window shows.
    TForm_Main_Form mainForm(*dmTasks_Form);
    TForm_Submit_Form submitForm(*dmTasks_Form);
    mainForm.SetSubmitForm(&submitForm);
    TForm_Reporting_Form reportingForm(*dmTasks_Form, &submitForm);
    submitForm.SetReportingForm(&reportingForm);
    mainForm.RunSetup = [&mainForm] { return RunSetupHub(*dmTasks_Form, &mainForm); };

    // Every other way the program can end saves as closing the main window does: a
    // termination signal (the system shutting down, kill, Ctrl+C in a terminal, a closed
    // terminal), the end of the desktop session, and a quit from anywhere else.
    TTerminationSignals signals;
    QObject::connect(&signals, &TTerminationSignals::Received, &mainForm,
                     [&mainForm] { mainForm.EndProgram(); });
    QObject::connect(application, &QGuiApplication::commitDataRequest, &mainForm,
                     [&mainForm](QSessionManager&) { mainForm.SaveForSessionEnd(); });
    QObject::connect(application, &QCoreApplication::aboutToQuit, &mainForm,
                     [&mainForm] { mainForm.SaveForSessionEnd(); });

    // The main window ends the program when it closes. No other window closing does: while
    // the review window is shown the main window is off the screen, and closing a dialog over
    // the review window must not count as closing the last window.
    application->setQuitOnLastWindowClosed(false);

    // 5. The message loop; showing the main window is its first act.
    mainForm.show();
    return application->exec();
}
