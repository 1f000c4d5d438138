#pragma once
// One criterion of a selection: a lookup picker (a project, a client or a user) beside an
// "All" box; ticking "All" disables the picker.

#include <QFrame>

class QLabel;
class TDataSource;
class TDBCheckBox;
class TDBLookupComboBox;

class TFrame_SelectGroup_Form : public QFrame {
    Q_OBJECT
public:
    explicit TFrame_SelectGroup_Form(QWidget* AOwner = nullptr);

    QLabel* Label1;
    TDBLookupComboBox* dblucbSelectGroup;
    QLabel* Label5;
    TDBCheckBox* cbxAll;
    TDataSource* dsSelectGroup;

    bool ReadOnly() const { return FReadonly; }
    void SetReadOnly(bool Value);
    void cbxAllClick();

private:
    bool FReadonly = false;
};
