#include "BaseFrameXEP_BaseUnit.h"

TBaseFrameXEP_BaseForm::TBaseFrameXEP_BaseForm(QWidget* AOwner) : QFrame(AOwner) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button); // the button-face colour
}
