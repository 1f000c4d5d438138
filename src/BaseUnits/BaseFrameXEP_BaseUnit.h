#pragma once
// The base of every embedded panel: an initialisation hook and a close hook that the owning
// window calls when it closes. A derived frame calls Initialise() at the end of its own
// constructor, once its components exist.

#include <QFrame>

class TBaseFrameXEP_BaseForm : public QFrame {
    Q_OBJECT
public:
    explicit TBaseFrameXEP_BaseForm(QWidget* AOwner = nullptr);

    virtual void Initialise() {}
    virtual void FrameClose() {}
};
