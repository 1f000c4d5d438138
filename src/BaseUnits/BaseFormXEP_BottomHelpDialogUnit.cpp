#include "BaseFormXEP_BottomHelpDialogUnit.h"

#include "XEP_Help.h"

#include <QHBoxLayout>
#include <QPushButton>

TBaseFormXEP_BottomHelpDialogForm::TBaseFormXEP_BottomHelpDialogForm(QWidget* parent)
    : TBaseFormXEP_BottomDialogForm(parent),
      btnHelp(new QPushButton(QStringLiteral("&Help"), this)) {
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    btnHelp->setFixedSize(75, 25);
    btnHelp->setAutoDefault(false);
    ButtonRow()->addWidget(btnHelp);
    connect(btnHelp, &QPushButton::clicked, this, &TBaseFormXEP_BottomHelpDialogForm::btnHelpClick);
}

QString TBaseFormXEP_BottomHelpDialogForm::HelpTopic() const {
    return FHelpString.isEmpty() ? QStringLiteral("Welcome") : FHelpString;
}

void TBaseFormXEP_BottomHelpDialogForm::btnHelpClick() {
    ShowHelpTopic(HelpTopic());
}
