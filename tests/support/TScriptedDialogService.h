#pragma once
// A dialog service for tests: records every message and answers from a script.

#include "BaseUnits/XEP_DialogService.h"

#include <QStringList>
#include <deque>

class TScriptedDialogService : public TDialogService {
public:
    QStringList Informations, Errors, Questions;
    std::deque<bool> ConfirmAnswers;              // default Yes when empty
    std::deque<TDialogAnswer> YesNoCancelAnswers; // default Cancel when empty
    std::deque<int> ChooseAnswers;                // default the first button when empty
    std::deque<QString> FileNames;                // default cancelled when empty
    std::deque<int> FileTypes;                    // default: the type offered

    void ShowInformation(const QString& text) override { Informations << text; }
    void ShowError(const QString& text) override { Errors << text; }
    bool Confirm(const QString& text) override {
        Questions << text;
        return Pop(ConfirmAnswers, true);
    }
    TDialogAnswer YesNoCancel(const QString& text) override {
        Questions << text;
        return Pop(YesNoCancelAnswers, TDialogAnswer::Cancel);
    }
    int Choose(const QString& text, const QStringList&) override {
        Questions << text;
        return Pop(ChooseAnswers, 0);
    }
    QString OpenFileName(const QString&, const QString&, const QString&, const QString&) override {
        return Pop(FileNames, QString());
    }
    QString SaveFileName(const QString&, const QString&, const QString&, const QString&) override {
        return Pop(FileNames, QString());
    }
    QString SaveFileNameTyped(const QString&, const QStringList&, const QString&,
                              const std::function<QString(const QString&, int)>&,
                              int& typeIndex) override {
        typeIndex = Pop(FileTypes, typeIndex);
        return Pop(FileNames, QString());
    }

private:
    template <class T> static T Pop(std::deque<T>& answers, T fallback) {
        if (answers.empty()) return fallback;
        T answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// Installs a scripted service for the life of the object and restores the previous one.
class TScopedDialogService {
public:
    TScopedDialogService() {
        auto service = std::make_unique<TScriptedDialogService>();
        FService = service.get();
        FPrevious = TDialogService::SetInstance(std::move(service));
    }
    ~TScopedDialogService() { TDialogService::SetInstance(std::move(FPrevious)); }
    TScriptedDialogService* operator->() const { return FService; }
    TScriptedDialogService& operator*() const { return *FService; }

private:
    TScriptedDialogService* FService;
    std::unique_ptr<TDialogService> FPrevious;
};
