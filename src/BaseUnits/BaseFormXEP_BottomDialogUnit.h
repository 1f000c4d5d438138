#pragma once
// A window with OK and Cancel at its bottom right. Derived dialogs put their controls into
// ClientArea().

#include "BaseFormXEP_BaseUnit.h"

class QHBoxLayout;
class QPushButton;

class TBaseFormXEP_BottomDialogForm : public TBaseFormXEP_BaseForm {
    Q_OBJECT
public:
    explicit TBaseFormXEP_BottomDialogForm(QWidget* parent = nullptr);

    QWidget* ClientArea() const { return FClientArea; }
    QPushButton* btnOk;
    QPushButton* btnCancel;

protected:
    QHBoxLayout* ButtonRow() const { return FButtonRow; }

private:
    QWidget* FClientArea;
    QHBoxLayout* FButtonRow;
};
