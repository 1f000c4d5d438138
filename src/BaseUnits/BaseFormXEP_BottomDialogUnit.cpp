#include "BaseFormXEP_BottomDialogUnit.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QPushButton* DialogButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setFixedSize(75, 25);
    return button;
}
} // namespace

TBaseFormXEP_BottomDialogForm::TBaseFormXEP_BottomDialogForm(QWidget* parent)
    : TBaseFormXEP_BaseForm(parent), FClientArea(new QWidget(this)), FButtonRow(new QHBoxLayout) {
    FClientArea->setObjectName(QStringLiteral("ClientArea"));
    btnOk = DialogButton(this, "btnOk", QStringLiteral("OK"));
    btnOk->setDefault(true);
    btnCancel = DialogButton(this, "btnCancel", QStringLiteral("&Cancel"));
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    FButtonRow->setContentsMargins(8, 4, 8, 8);
    FButtonRow->setSpacing(6);
    FButtonRow->addStretch();
    FButtonRow->addWidget(btnOk);
    FButtonRow->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(FClientArea, 1);
    layout->addLayout(FButtonRow);
}
