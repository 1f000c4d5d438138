#pragma once
// Help: the help file (an HTML document with one anchor per topic, named TIVREL.HLP and kept
// in the application directory) shown in a viewer window at a topic.

#include <QDialog>
#include <QString>

class QTextBrowser;

// The topic shown for a request: the topic itself when the document has its anchor,
// otherwise "Welcome".
QString ResolveHelpTopic(const QString& html, const QString& topic);

class THelpViewer : public QDialog {
    Q_OBJECT
public:
    explicit THelpViewer(QWidget* parent = nullptr);
    // Loads the file and scrolls to the topic; false (and an error box) when it cannot be read.
    bool ShowTopic(const QString& fileName, const QString& topic);
    QString CurrentTopic() const { return FCurrentTopic; }
    QTextBrowser* Browser() const { return FBrowser; }

private:
    QTextBrowser* FBrowser;
    QString FCurrentTopic;
};

// Opens the application's help file at a topic in the one help viewer of the program.
void ShowHelpTopic(const QString& topic);
// The viewer ShowHelpTopic uses, created on first use.
THelpViewer& HelpViewer();
