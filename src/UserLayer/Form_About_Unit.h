#pragma once
// The About box: product logo, name, version, the maker's web address as a link, the rights
// notice and credits.

#include <QCursor>
#include <QDialog>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class TForm_About_Form : public QDialog {
    Q_OBJECT
public:
    explicit TForm_About_Form(QWidget* parent = nullptr);

    static constexpr int ClientWidth = 377;
    static constexpr int ClientHeight = 308;
    static QString HomeAddress();

    QFrame* Panel1;
    QLabel* PlenkBitmap;
    QLabel* TivrelBitmap;
    QLabel* lblProductName;
    QLabel* lblVersion;
    QLabel* lblhomelink;
    QLabel* lblCopyright;
    QLabel* lblComments;
    QPlainTextEdit* mComments;
    QPushButton* OKButton;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void lblhomelinkMouseEnter();
    void lblhomelinkMouseLeave();
    void lblhomelinkClick();

    QCursor FPrevCursor;
};
