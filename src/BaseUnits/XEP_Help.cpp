#include "XEP_Help.h"

#include "XEP_AppGlobals.h"
#include "XEP_DialogService.h"

#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {
const QString WelcomeTopic = QStringLiteral("Welcome");

bool HasAnchor(const QString& html, const QString& topic) {
    if (topic.isEmpty()) return false;
    const QRegularExpression anchor(
        QStringLiteral("\\b(name|id)\\s*=\\s*[\"']%1[\"']").arg(QRegularExpression::escape(topic)));
    return anchor.match(html).hasMatch();
}
} // namespace

QString ResolveHelpTopic(const QString& html, const QString& topic) {
    return HasAnchor(html, topic) ? topic : WelcomeTopic;
}

THelpViewer::THelpViewer(QWidget* parent) : QDialog(parent), FBrowser(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("HelpViewer"));
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(ApplicationTitle() + QStringLiteral(" Help"));
    FBrowser->setObjectName(QStringLiteral("HelpBrowser"));
    FBrowser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FBrowser);
    resize(560, 480);
}

bool THelpViewer::ShowTopic(const QString& fileName, const QString& topic) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        TDialogService::Instance().ShowError(
            QStringLiteral("Cannot open the help file %1: %2").arg(fileName, file.errorString()));
        return false;
    }
    const QString html = QString::fromUtf8(file.readAll());
    FCurrentTopic = ResolveHelpTopic(html, topic);
    FBrowser->setHtml(html);
    FBrowser->scrollToAnchor(FCurrentTopic);
    show();
    raise();
    activateWindow();
    return true;
}

THelpViewer& HelpViewer() {
    static QPointer<THelpViewer> viewer;
    if (!viewer) viewer = new THelpViewer(nullptr);
    return *viewer;
}

void ShowHelpTopic(const QString& topic) {
    HelpViewer().ShowTopic(ApplicationHelpFile(), topic);
}
