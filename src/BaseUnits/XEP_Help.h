#pragma once
// Help: the help file (an HTML document with one anchor per topic, named TIVREL.HLP and kept
// in the application directory) shown in a viewer window at a topic.
//
// The viewer is an ordinary window, never modal. It belongs to the window that is modal when
// help is asked for (a dialog, the review window), so it can be scrolled, searched and closed
// while that window keeps running its own loop.

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QLineEdit;
class QPushButton;
class QTextBrowser;
class QWidget;

// The topic shown for a request: the topic itself when the document has its anchor,
// otherwise "Welcome".
QString ResolveHelpTopic(const QString& html, const QString& topic);

// The folders the help file is looked for in, in this order and each once: the folder of the
// configured help file (the application directory), the executable's folder, its "bin" and
// "Bin" folders, the "bin" and "Bin" folders beside it when it is itself a bin folder, and the
// installed data folder "../share/tivrel" relative to the executable's bin folder.
QStringList HelpFileFolders(const QString& configuredHelpFile, const QString& exeDir);
// The help file's path in the first of those folders that holds it; empty when none does.
QString FindHelpFile(const QString& configuredHelpFile, const QString& exeDir);
// The message for a help file found nowhere: its name and every folder that was looked in.
QString HelpFileNotFoundText(const QString& configuredHelpFile, const QString& exeDir);
// "Help file: " and the file found, or the message for a help file found nowhere.
QString HelpFileReport(const QString& configuredHelpFile, const QString& exeDir);

class THelpViewer : public QDialog {
    Q_OBJECT
public:
    explicit THelpViewer(QWidget* parent = nullptr);
    // Loads the file and scrolls to the topic; false (and an error box) when it cannot be read.
    bool ShowTopic(const QString& fileName, const QString& topic);
    QString CurrentTopic() const { return FCurrentTopic; }
    QTextBrowser* Browser() const { return FBrowser; }
    QLineEdit* SearchBox() const { return FSearch; }

    // Shows the search box with the keyboard in it (Ctrl+F).
    void StartSearch();
    // Selects the next place of the search text after the selection, from the top again when
    // there is none below; false when the page does not hold the text.
    bool FindNext();

private:
    bool FindFrom(bool fromStart);

    QTextBrowser* FBrowser;
    QWidget* FSearchBar;
    QLineEdit* FSearch;
    QLabel* FSearchResult;
    QPushButton* FClose;
    QString FCurrentTopic;
};

// Opens the application's help file at a topic in the one help viewer of the program. A help
// file found in none of the folders is reported with every folder looked in.
void ShowHelpTopic(const QString& topic);
// The viewer ShowHelpTopic uses, created on first use and given to the window that is modal
// at the time (the viewer goes when that window goes).
THelpViewer& HelpViewer();
