#include "XEP_Help.h"

#include "XEP_AppGlobals.h"
#include "XEP_DialogService.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextCursor>
#include <QVBoxLayout>

namespace {
const QString WelcomeTopic = QStringLiteral("Welcome");
const QString DefaultHelpFileName = QStringLiteral("TIVREL.HLP");

bool HasAnchor(const QString& html, const QString& topic) {
    if (topic.isEmpty()) return false;
    const QRegularExpression anchor(
        QStringLiteral("\\b(name|id)\\s*=\\s*[\"']%1[\"']").arg(QRegularExpression::escape(topic)));
    return anchor.match(html).hasMatch();
}

QString HelpFileName(const QString& configuredHelpFile) {
    const QString name = QFileInfo(configuredHelpFile).fileName();
    return name.isEmpty() ? DefaultHelpFileName : name;
}

// A folder as the messages show it: absolute, cleaned, in the platform's spelling.
QString FolderText(const QString& folder) {
    return QDir::toNativeSeparators(QDir::cleanPath(QDir(folder).absolutePath()));
}

bool IsBinFolderName(const QString& name) {
    return name.compare(QLatin1String("bin"), Qt::CaseInsensitive) == 0;
}
} // namespace

QString ResolveHelpTopic(const QString& html, const QString& topic) {
    return HasAnchor(html, topic) ? topic : WelcomeTopic;
}

QStringList HelpFileFolders(const QString& configuredHelpFile, const QString& exeDir) {
    QStringList folders;
    const auto add = [&folders](const QString& folder) {
        if (folder.isEmpty()) return;
        const QString text = FolderText(folder);
        if (!folders.contains(text)) folders << text;
    };
    if (!configuredHelpFile.isEmpty()) add(QFileInfo(configuredHelpFile).path());
    if (exeDir.isEmpty()) return folders;
    const QDir exe(QDir::cleanPath(QDir(exeDir).absolutePath()));
    add(exe.path());
    add(exe.filePath(QStringLiteral("bin")));
    add(exe.filePath(QStringLiteral("Bin")));
    // An executable in <root>/bin (or Bin): the other spelling of the bin folder, and the data
    // folder that an install beside that bin folder keeps its shared files in.
    QDir root = exe;
    if (IsBinFolderName(exe.dirName()) && root.cdUp()) {
        add(root.filePath(QStringLiteral("bin")));
        add(root.filePath(QStringLiteral("Bin")));
    }
    add(exe.filePath(QStringLiteral("../share/tivrel")));
    return folders;
}

QString FindHelpFile(const QString& configuredHelpFile, const QString& exeDir) {
    const QString name = HelpFileName(configuredHelpFile);
    for (const QString& folder : HelpFileFolders(configuredHelpFile, exeDir)) {
        const QFileInfo file(QDir(folder).filePath(name));
        if (file.isFile()) return file.filePath();
    }
    return {};
}

QString HelpFileNotFoundText(const QString& configuredHelpFile, const QString& exeDir) {
    return QStringLiteral("The help file %1 was not found. Looked in:\n%2")
        .arg(HelpFileName(configuredHelpFile),
             HelpFileFolders(configuredHelpFile, exeDir).join(QLatin1Char('\n')));
}

QString HelpFileReport(const QString& configuredHelpFile, const QString& exeDir) {
    const QString found = FindHelpFile(configuredHelpFile, exeDir);
    return found.isEmpty() ? HelpFileNotFoundText(configuredHelpFile, exeDir)
                           : QStringLiteral("Help file: ") + QDir::toNativeSeparators(found);
}

THelpViewer::THelpViewer(QWidget* parent)
    : QDialog(parent), FBrowser(new QTextBrowser(this)), FSearchBar(new QWidget(this)),
      FSearch(new QLineEdit(FSearchBar)), FSearchResult(new QLabel(FSearchBar)),
      FClose(new QPushButton(QStringLiteral("&Close"), this)) {
    setObjectName(QStringLiteral("HelpViewer"));
    setAttribute(Qt::WA_QuitOnClose, false);
    setModal(false);
    setWindowTitle(ApplicationTitle() + QStringLiteral(" Help"));
    FBrowser->setObjectName(QStringLiteral("HelpBrowser"));
    FBrowser->setOpenExternalLinks(true);
    // A read-only browser only scrolls by keys that move its cursor: Page Down, Page Up,
    // Ctrl+Home and Ctrl+End then scroll the page as in any viewer.
    FBrowser->setTextInteractionFlags(Qt::TextBrowserInteraction | Qt::TextSelectableByKeyboard);

    // The search bar: hidden until Ctrl+F; typing finds as it goes, Return finds the next.
    FSearchBar->setObjectName(QStringLiteral("HelpSearchBar"));
    FSearch->setObjectName(QStringLiteral("HelpSearch"));
    FSearch->setClearButtonEnabled(true);
    FSearchResult->setObjectName(QStringLiteral("HelpSearchResult"));
    auto* findLabel = new QLabel(QStringLiteral("&Find:"), FSearchBar);
    findLabel->setBuddy(FSearch);
    auto* searchRow = new QHBoxLayout(FSearchBar);
    searchRow->setContentsMargins(6, 4, 6, 0);
    searchRow->addWidget(findLabel);
    searchRow->addWidget(FSearch, 1);
    searchRow->addWidget(FSearchResult);
    FSearchBar->hide();
    connect(FSearch, &QLineEdit::textEdited, this, [this] { FindFrom(true); });
    connect(FSearch, &QLineEdit::returnPressed, this, [this] { FindNext(); });
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, &THelpViewer::StartSearch);
    auto* findNext = new QShortcut(QKeySequence::FindNext, this);
    connect(findNext, &QShortcut::activated, this, [this] { FindNext(); });

    // Escape closes the viewer as it closes every dialog; so does the Close button. Neither
    // Return in the search box nor anything else presses it by default.
    FClose->setObjectName(QStringLiteral("btnHelpClose"));
    FClose->setAutoDefault(false);
    FClose->setDefault(false);
    connect(FClose, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(6, 0, 6, 6);
    buttonRow->addStretch(1);
    buttonRow->addWidget(FClose);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FSearchBar);
    layout->addWidget(FBrowser, 1);
    layout->addLayout(buttonRow);
    setFocusProxy(FBrowser);
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
    // The keys scroll from where the cursor is: put it at the top of the topic shown, or the
    // first Page Down would jump back to the start of the page.
    FBrowser->setTextCursor(FBrowser->cursorForPosition(QPoint(0, 0)));
    FBrowser->setFocus(Qt::OtherFocusReason);
    return true;
}

void THelpViewer::StartSearch() {
    FSearchBar->show();
    FSearch->setFocus(Qt::ShortcutFocusReason);
    FSearch->selectAll();
}

bool THelpViewer::FindNext() {
    return FindFrom(false);
}

bool THelpViewer::FindFrom(bool fromStart) {
    const QString text = FSearch->text();
    FSearchResult->clear();
    if (text.isEmpty()) return false;
    if (fromStart) {
        // Typing searches again from the top, so the first place of the longer text is shown.
        QTextCursor cursor = FBrowser->textCursor();
        cursor.movePosition(QTextCursor::Start);
        FBrowser->setTextCursor(cursor);
    }
    if (FBrowser->find(text)) return true;
    // Nothing below: once more from the top.
    QTextCursor cursor = FBrowser->textCursor();
    cursor.movePosition(QTextCursor::Start);
    FBrowser->setTextCursor(cursor);
    if (FBrowser->find(text)) return true;
    FSearchResult->setText(QStringLiteral("Not found"));
    return false;
}

THelpViewer& HelpViewer() {
    static QPointer<THelpViewer> viewer;
    if (!viewer) viewer = new THelpViewer(nullptr);
    // A modal window blocks every window except its own: the viewer becomes one of them.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != viewer && modal != viewer->parentWidget())
        viewer->setParent(modal, viewer->windowFlags());
    return *viewer;
}

void ShowHelpTopic(const QString& topic) {
    const QString configured = ApplicationHelpFile();
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QString fileName = FindHelpFile(configured, exeDir);
    if (fileName.isEmpty()) {
        TDialogService::Instance().ShowError(HelpFileNotFoundText(configured, exeDir));
        return;
    }
    HelpViewer().ShowTopic(fileName, topic);
}
