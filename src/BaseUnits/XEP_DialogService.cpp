#include "XEP_DialogService.h"

#include "XEP_AppGlobals.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace {
std::unique_ptr<TDialogService>& Current() {
    static std::unique_ptr<TDialogService> service;
    return service;
}

QWidget* DialogParent() {
    return QApplication::activeWindow();
}

QString AddDefaultExtension(QString fileName, const QString& defaultExt) {
    if (!fileName.isEmpty() && !defaultExt.isEmpty() && QFileInfo(fileName).suffix().isEmpty())
        fileName += QLatin1Char('.') + defaultExt;
    return fileName;
}
} // namespace

TDialogService& TDialogService::Instance() {
    auto& service = Current();
    if (!service) service = std::make_unique<TQtDialogService>();
    return *service;
}

std::unique_ptr<TDialogService>
TDialogService::SetInstance(std::unique_ptr<TDialogService> service) {
    std::swap(Current(), service);
    return service;
}

QString ToQtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        entries << parts.at(i) + QStringLiteral(" (") +
                       QString(parts.at(i + 1)).replace(QLatin1Char(';'), QLatin1Char(' ')) +
                       QLatin1Char(')');
    return entries.join(QStringLiteral(";;"));
}

void TQtDialogService::ShowInformation(const QString& text) {
    QMessageBox::information(DialogParent(), ApplicationTitle(), text);
}

void TQtDialogService::ShowError(const QString& text) {
    QMessageBox::critical(DialogParent(), ApplicationTitle(), text);
}

bool TQtDialogService::Confirm(const QString& text) {
    return QMessageBox::question(DialogParent(), ApplicationTitle(), text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

TDialogAnswer TQtDialogService::YesNoCancel(const QString& text) {
    switch (QMessageBox::question(DialogParent(), ApplicationTitle(), text,
                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        return TDialogAnswer::Yes;
    case QMessageBox::No:
        return TDialogAnswer::No;
    default:
        return TDialogAnswer::Cancel;
    }
}

int TQtDialogService::Choose(const QString& text, const QStringList& buttons) {
    QMessageBox box(QMessageBox::Question, ApplicationTitle(), text, QMessageBox::NoButton,
                    DialogParent());
    QList<QAbstractButton*> pressable;
    for (const QString& caption : buttons)
        pressable << box.addButton(caption, QMessageBox::ActionRole);
    if (pressable.isEmpty()) return -1;
    box.setDefaultButton(qobject_cast<QPushButton*>(pressable.first()));
    box.setEscapeButton(pressable.last());
    box.exec();
    return int(pressable.indexOf(box.clickedButton()));
}

QString TQtDialogService::OpenFileName(const QString& title, const QString& filter,
                                       const QString& defaultExt, const QString& initialDir) {
    return AddDefaultExtension(
        QFileDialog::getOpenFileName(DialogParent(), title, initialDir, ToQtFileFilter(filter)),
        defaultExt);
}

QString TQtDialogService::SaveFileName(const QString& title, const QString& filter,
                                       const QString& defaultExt, const QString& fileName) {
    return AddDefaultExtension(
        QFileDialog::getSaveFileName(DialogParent(), title, fileName, ToQtFileFilter(filter)),
        defaultExt);
}

QString TQtDialogService::SaveFileNameTyped(
    const QString& title, const QStringList& filters, const QString& fileName,
    const std::function<QString(const QString&, int)>& onTypeChange, int& typeIndex) {
    QFileDialog dialog(DialogParent(), title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog); // the typed name is needed on a type change
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(filters);
    if (typeIndex >= 1 && typeIndex <= filters.size())
        dialog.selectNameFilter(filters.at(typeIndex - 1));
    dialog.selectFile(fileName);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!edit || !onTypeChange) return;
        const QString changed = onTypeChange(edit->text(), int(filters.indexOf(filter)) + 1);
        if (!changed.isEmpty()) edit->setText(changed);
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    typeIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return dialog.selectedFiles().first();
}
