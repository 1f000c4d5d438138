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
#include <QThread>
#include <cstdlib>
#include <memory>
#include <utility>

namespace {
// Messages of the data module and errors caught by the data-aware controls go to the
// program's message boxes.
void InstallMessageHandlers() {
    SetInformationMessageHandler(
        [](const QString& text) { TDialogService::Instance().ShowInformation(text); });
    SetConfirmationHandler(
        [](const QString& text) { return TDialogService::Instance().Confirm(text); });
    TDataControls::OnError = [](const Exception& error) {
        TDialogService::Instance().ShowError(error.Message());
    };
}

// The main window while the message loop runs.
TForm_Main_Form* RunningMainForm = nullptr;

// A program ended by std::exit never closes its windows: the toolkit ends it so when the
// connection to the display is lost ("The X11 connection broke"). Whatever was typed or
// tracked is saved here as a termination signal saves it, with no window shown (there may be
// no display to show it on), and the data folder is left unlocked.
extern "C" void SaveAtExit() {
    // Only while the windows run, and on their thread: another thread that calls exit would
    // race the user-interface thread, which goes on meanwhile.
    if (!RunningMainForm || QThread::currentThread() != RunningMainForm->thread()) return;
    TForm_Main_Form* form = std::exchange(RunningMainForm, nullptr);
    KeepRunningWhenTheDisplayIsLost();
    TDialogService::SetInstance(std::make_unique<TSilentDialogService>());
    form->EndProgram();
    if (dmTasks_Form) dmTasks_Form->ReleaseDataFolderLock();
}

// Saves at std::exit while the main window runs, or before it when the display is lost.
class TExitSave {
public:
    explicit TExitSave(TForm_Main_Form& form) {
        static const bool registered = std::atexit(SaveAtExit) == 0;
        Q_UNUSED(registered);
        RunningMainForm = &form;
        // A lost display that the display library notices saves before the program ends.
        SaveBeforeTheDisplayLossEnds(SaveAtExit);
    }
    ~TExitSave() { RunningMainForm = nullptr; }
    TExitSave(const TExitSave&) = delete;
    TExitSave& operator=(const TExitSave&) = delete;
};
} // namespace

int RunProgramWindows(const TDataModuleOptions& options,
                      const std::function<void(TForm_Main_Form&)>& windowsCreated) {
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    SetApplicationTitle(QStringLiteral("Tivrel")); // 2. the title
    // No display name: the toolkit would append it to every caption (" — Tivrel").
    application->setApplicationName(ApplicationTitle());
    application->setOrganizationName(sOrganisation());

    // 3. The data module: directories, tables, help file. The history, which may be a
    // million rows, is read on another thread once the review window is on screen.
    InstallMessageHandlers();
    std::unique_ptr<TdmTasks_Form> dataModule;
    TDataModuleOptions programOptions = options;
    programOptions.HistoryInBackground = true;
    bool created = false;
    {
        const TFontWarmUp fonts; // beside the reading of the tables
        created = RunGuarded(
            [&] { dataModule = std::make_unique<TdmTasks_Form>(nullptr, programOptions); });
    }
    if (!created) return 1;

    // 4. The windows, owned by the application for the whole run: the main window first (its
    // creation shows the splash window on a slow start), then the review window it hands over
    // to. The reports window the review window shows is made when it is first asked for.
    TForm_Main_Form mainForm(*dmTasks_Form);
    TForm_Submit_Form submitForm(*dmTasks_Form);
    mainForm.SetSubmitForm(&submitForm);
    std::unique_ptr<TForm_Reporting_Form> reportingForm;
    submitForm.SetReportingForm([&reportingForm, &submitForm]() -> TForm_Reporting_Form& {
        if (!reportingForm)
            reportingForm = std::make_unique<TForm_Reporting_Form>(*dmTasks_Form, &submitForm);
        return *reportingForm;
    });
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
    const TExitSave exitSave(mainForm); // std::exit, the display connection lost
    // The history is read and the command socket opened once the review window is on screen,
    // so that neither competes with making the windows (or a second after the message loop
    // began, at the latest: the first run's setup comes first). A command sent meanwhile waits
    // for the socket, as it does while the program starts.
    AfterFirstPaint(submitForm, 1000, [&mainForm, windowsCreated] {
        dmTasks_Form->StartHistoryReading();
        if (windowsCreated) windowsCreated(mainForm);
    });

    // The main window ends the program when it closes. No other window closing does: while
    // the review window is shown the main window is off the screen, and closing a dialog over
    // the review window must not count as closing the last window.
    application->setQuitOnLastWindowClosed(false);

    // 5. The message loop; the main window's hand-over to the review window is its first act.
    mainForm.StartWithoutShowing();
    return application->exec();
}
