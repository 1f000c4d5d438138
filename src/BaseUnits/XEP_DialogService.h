#pragma once
// Every message box and file dialog of the program goes through one service, so tests can
// script the answers and read what would have been shown.

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QWidget;

enum class TDialogAnswer { Yes, No, Cancel };

class TDialogService {
public:
    virtual ~TDialogService() = default;

    virtual void ShowInformation(const QString& text) = 0;
    virtual void ShowError(const QString& text) = 0;
    // Yes/No confirmation; true for Yes.
    virtual bool Confirm(const QString& text) = 0;
    virtual TDialogAnswer YesNoCancel(const QString& text) = 0;
    // A question answered with buttons of its own (captions with '&' for their key); the index
    // of the button pressed. The first button is the default, Escape presses the last.
    virtual int Choose(const QString& text, const QStringList& buttons) = 0;
    // filter in the form "Time Files|*.tim|All Files|*.*"; an empty result means cancelled.
    virtual QString OpenFileName(const QString& title, const QString& filter,
                                 const QString& defaultExt, const QString& initialDir) = 0;
    virtual QString SaveFileName(const QString& title, const QString& filter,
                                 const QString& defaultExt, const QString& fileName) = 0;

    // A save dialog with a choice of file types (name filters, "Label (*.ext)"); typeIndex
    // goes in as the first type shown and comes back as the chosen one (1-based). When the
    // user picks another type, onTypeChange(typed name, type) may give the name to show
    // instead (empty: keep it).
    virtual QString
    SaveFileNameTyped(const QString& title, const QStringList& filters, const QString& fileName,
                      const std::function<QString(const QString&, int)>& onTypeChange,
                      int& typeIndex) = 0;

    static TDialogService& Instance();
    // Installs a service (tests); returns the one it replaces. nullptr restores the real one.
    static std::unique_ptr<TDialogService> SetInstance(std::unique_ptr<TDialogService> service);
};

// The message boxes and file dialogs of the windowing toolkit.
class TQtDialogService : public TDialogService {
public:
    void ShowInformation(const QString& text) override;
    void ShowError(const QString& text) override;
    bool Confirm(const QString& text) override;
    TDialogAnswer YesNoCancel(const QString& text) override;
    int Choose(const QString& text, const QStringList& buttons) override;
    QString OpenFileName(const QString& title, const QString& filter, const QString& defaultExt,
                         const QString& initialDir) override;
    QString SaveFileName(const QString& title, const QString& filter, const QString& defaultExt,
                         const QString& fileName) override;
    QString SaveFileNameTyped(const QString& title, const QStringList& filters,
                              const QString& fileName,
                              const std::function<QString(const QString&, int)>& onTypeChange,
                              int& typeIndex) override;
};

// For a program that can no longer show a window (its display connection is gone): messages go
// to standard error, questions are answered No (Cancel), file dialogs are cancelled.
class TSilentDialogService : public TDialogService {
public:
    void ShowInformation(const QString& text) override;
    void ShowError(const QString& text) override;
    bool Confirm(const QString& text) override;
    TDialogAnswer YesNoCancel(const QString& text) override;
    int Choose(const QString& text, const QStringList& buttons) override;
    QString OpenFileName(const QString&, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString SaveFileName(const QString&, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString SaveFileNameTyped(const QString&, const QStringList&, const QString&,
                              const std::function<QString(const QString&, int)>&, int&) override {
        return {};
    }
};

// "Time Files|*.tim|All|*.*" as the toolkit writes it: "Time Files (*.tim);;All (*.*)".
QString ToQtFileFilter(const QString& filter);
