#include "Form_About_Unit.h"

#include "BaseUnits/Application_Details_Unit.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

namespace {
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    return label;
}

QLabel* MakeLogo(QWidget* parent, const char* name, const QString& resource) {
    auto* logo = new QLabel(parent);
    logo->setObjectName(QLatin1String(name));
    logo->setGeometry(8, 8, 71, 67);
    logo->setPixmap(QPixmap(resource));
    logo->setScaledContents(true); // stretched to its 71 x 67 place
    return logo;
}

const char* const Credits =
    "Icons and pictures drawn for Tivrel by Korvane.\n"
    "Built with the Qt toolkit (LGPL 3), pugixml (MIT licence) and libxlsxwriter (BSD licence).";
} // namespace

QString TForm_About_Form::HomeAddress() {
    return QStringLiteral("https://www.korvane.com");
}

TForm_About_Form::TForm_About_Form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_About_Form"));
    setFixedSize(ClientWidth, ClientHeight);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setAttribute(Qt::WA_DeleteOnClose, false);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);
    Panel1->setGeometry(8, 8, ClientWidth - 16, 252);

    PlenkBitmap = MakeLogo(Panel1, "PlenkBitmap", QStringLiteral(":/images/PlenkLogo.png"));
    TivrelBitmap = MakeLogo(Panel1, "TivrelBitmap", QStringLiteral(":/images/TivrelLogo.png"));

    lblProductName = MakeLabel(Panel1, "lblProductName", QString(), QRect(92, 12, 250, 26));
    QFont nameFont = lblProductName->font();
    nameFont.setPixelSize(20);
    nameFont.setBold(true);
    lblProductName->setFont(nameFont);
    lblVersion = MakeLabel(Panel1, "lblVersion", QStringLiteral("Version"), QRect(92, 42, 250, 18));

    lblhomelink = MakeLabel(Panel1, "lblhomelink", HomeAddress(), QRect(92, 62, 250, 18));
    QPalette linkPalette = lblhomelink->palette();
    linkPalette.setColor(QPalette::WindowText, Qt::blue);
    lblhomelink->setPalette(linkPalette);
    QFont linkFont = lblhomelink->font();
    linkFont.setUnderline(true);
    lblhomelink->setFont(linkFont);
    lblhomelink->setToolTip(HomeAddress());
    lblhomelink->installEventFilter(this);

    lblCopyright = MakeLabel(Panel1, "lblCopyright", QString(), QRect(8, 88, 345, 32));
    lblCopyright->setWordWrap(true);
    lblComments =
        MakeLabel(Panel1, "lblComments", QStringLiteral("Comments"), QRect(8, 124, 200, 18));

    mComments = new QPlainTextEdit(Panel1);
    mComments->setObjectName(QStringLiteral("mComments"));
    mComments->setGeometry(8, 144, 345, 98);
    mComments->setPlainText(QString::fromUtf8(Credits));
    mComments->setReadOnly(true);
    mComments->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mComments->setEnabled(false);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry((ClientWidth - 75) / 2, 272, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TForm_About_Form::FormCreate() {
    QStringList details;
    GetProjectVersionInfo(details, QString(), false);
    // A short list leaves the texts empty rather than failing.
    const QString productName = VersionDetail(details, 7);
    lblProductName->setText(productName);
    setWindowTitle(QStringLiteral("About ") + productName);
    lblVersion->setText(lblVersion->text() + QLatin1Char(' ') + VersionDetail(details, 8));
    lblCopyright->setText(VersionDetail(details, 4));
    PlenkBitmap->hide();
}

bool TForm_About_Form::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblhomelink) {
        switch (event->type()) {
        case QEvent::Enter:
            lblhomelinkMouseEnter();
            break;
        case QEvent::Leave:
            lblhomelinkMouseLeave();
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) lblhomelinkClick();
            break;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm_About_Form::lblhomelinkMouseEnter() {
    FPrevCursor = lblhomelink->cursor();
    lblhomelink->setCursor(Qt::PointingHandCursor);
}

void TForm_About_Form::lblhomelinkMouseLeave() {
    lblhomelink->setCursor(FPrevCursor);
}

void TForm_About_Form::lblhomelinkClick() {
    QDesktopServices::openUrl(QUrl(lblhomelink->text()));
}
