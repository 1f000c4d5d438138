#include "XEP_DialogService.h"

#include "XEP_AppGlobals.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <cstdio>

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

namespace {
// The 1-based index of the type the dialog shows. The non-native dialog's own type box is
// read where it exists: with the filter details hidden, what the dialog reports as the chosen
// filter is the shortened label ("HTML"), not one of the filters it was given. Otherwise the
// text is matched against the filters whole, by their label or by their patterns.
int ChosenTypeIndex(const QFileDialog& dialog, const QStringList& filters, const QString& chosen) {
    if (const auto* types = dialog.findChild<const QComboBox*>(QStringLiteral("fileTypeCombo"));
        types && types->currentIndex() >= 0 && types->count() == filters.size())
        return types->currentIndex() + 1;
    const auto label = [](const QString& filter) {
        const qsizetype open = filter.indexOf(QLatin1String(" ("));
        return (open < 0 ? filter : filter.left(open)).trimmed();
    };
    // The patterns in the last parentheses, or the whole text when it has none.
    const auto patterns = [](const QString& filter) {
        const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
        const qsizetype close = filter.lastIndexOf(QLatin1Char(')'));
        const QString inner =
            open >= 0 && close > open ? filter.mid(open + 1, close - open - 1) : filter;
        QStringList list =
            inner.split(QRegularExpression(QStringLiteral("[ ;]+")), Qt::SkipEmptyParts);
        list.sort();
        return list;
    };
    for (int i = 0; i < filters.size(); ++i) {
        const QString& filter = filters.at(i);
        if (filter == chosen || label(filter) == label(chosen) ||
            patterns(filter) == patterns(chosen))
            return i + 1;
    }
    return 0;
}

QLineEdit* FileNameEdit(const QFileDialog& dialog) {
    return dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}
} // namespace

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
    // The folder first, then the bare name: a whole path handed to selectFile also selects
    // the folders on its way in the dialog's list, and the dialog then saves to those.
    const QFileInfo start(fileName);
    if (!start.path().isEmpty() && start.path() != QLatin1String(".")) {
        dialog.setDirectory(start.path());
        dialog.selectFile(start.fileName());
    } else {
        dialog.selectFile(fileName);
    }
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        QLineEdit* edit = FileNameEdit(dialog);
        if (!edit || !onTypeChange) return;
        const QString changed =
            onTypeChange(edit->text(), ChosenTypeIndex(dialog, filters, filter));
        if (!changed.isEmpty()) edit->setText(changed);
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    typeIndex = ChosenTypeIndex(dialog, filters, dialog.selectedNameFilter());
    return dialog.selectedFiles().first();
}

void TSilentDialogService::ShowInformation(const QString& text) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(ApplicationTitle()), qPrintable(text));
}

void TSilentDialogService::ShowError(const QString& text) {
    ShowInformation(text);
}

bool TSilentDialogService::Confirm(const QString& text) {
    ShowInformation(text);
    return false;
}

TDialogAnswer TSilentDialogService::YesNoCancel(const QString& text) {
    ShowInformation(text);
    return TDialogAnswer::Cancel;
}

int TSilentDialogService::Choose(const QString& text, const QStringList& buttons) {
    ShowInformation(text);
    return int(buttons.size()) - 1; // the button Escape would press
}
