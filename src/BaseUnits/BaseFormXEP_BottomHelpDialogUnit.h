#pragma once
// A window with OK, Cancel and Help at its bottom right; Help opens the help file at
// HelpString, or at "Welcome" when it is empty.

#include "BaseFormXEP_BottomDialogUnit.h"

class TBaseFormXEP_BottomHelpDialogForm : public TBaseFormXEP_BottomDialogForm {
    Q_OBJECT
public:
    explicit TBaseFormXEP_BottomHelpDialogForm(QWidget* parent = nullptr);

    QPushButton* btnHelp;
    const QString& HelpString() const { return FHelpString; }
    void SetHelpString(const QString& Value) { FHelpString = Value; }
    // The topic Help opens.
    QString HelpTopic() const;

    void btnHelpClick();

protected:
    QString FHelpString;
};
