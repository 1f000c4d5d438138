#include "Frame_Select_Group_unit.h"

#include "Components/DataControls/TDBCheckBox.h"
#include "Components/DataControls/TDBLookupComboBox.h"
#include "Components/DataControls/TDataSource.h"

#include <QGridLayout>
#include <QLabel>

TFrame_SelectGroup_Form::TFrame_SelectGroup_Form(QWidget* AOwner)
    : QFrame(AOwner), Label1(new QLabel(this)), dblucbSelectGroup(new TDBLookupComboBox(this)),
      Label5(new QLabel(QStringLiteral("All"), this)), cbxAll(new TDBCheckBox(this)),
      dsSelectGroup(new TDataSource(this)) {
    dblucbSelectGroup->setObjectName(QStringLiteral("dblucbSelectGroup"));
    dblucbSelectGroup->setFixedWidth(200);
    dblucbSelectGroup->setEnabled(false);
    dblucbSelectGroup->SetListSource(dsSelectGroup);
    cbxAll->setObjectName(QStringLiteral("cbxAll"));
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(Label1, 0, 0);
    layout->addWidget(Label5, 0, 1);
    layout->addWidget(dblucbSelectGroup, 1, 0);
    layout->addWidget(cbxAll, 1, 1);
    connect(cbxAll, &QCheckBox::toggled, this, [this] { cbxAllClick(); });
}

void TFrame_SelectGroup_Form::cbxAllClick() {
    dblucbSelectGroup->setEnabled(!cbxAll->isChecked() && !FReadonly);
}

void TFrame_SelectGroup_Form::SetReadOnly(bool Value) {
    FReadonly = Value;
    dblucbSelectGroup->SetReadOnly(Value);
    cbxAll->SetReadOnly(Value);
    cbxAllClick();
}
