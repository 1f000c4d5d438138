#pragma once
// The running program's command socket: a local socket named after the data folder (its
// canonical path, hashed), in a folder only the user can reach (the session's runtime folder,
// else a private folder of the system's temporary folder), made reachable by its owner only;
// on Linux a connection from another user is refused as well. One request a connection: a line
// of JSON ({"command": "start", "argument": "DEV", "json": false}) answered by a line of JSON
// ({"exitCode": 0, "text": "…", "status": {…}}).

#include "Interop_Tracker.h"

#include <QLocalServer>
#include <QObject>
#include <functional>

// Where the command socket of a data folder is; empty when no private folder can be had.
QString CommandSocketPath(const QString& dataDir);

class TCommandServer : public QObject {
    Q_OBJECT
public:
    using THandler = std::function<TTrackerReply(const TTrackerRequest&)>;
    TCommandServer(const QString& dataDir, THandler handler, QObject* parent = nullptr);
    // Listens on the folder's socket (one left by a program that died is replaced: the caller
    // holds the folder's lock); false with the reason when it cannot.
    bool Listen(QString& error);
    QString SocketPath() const { return FPath; }

private:
    void Accept();
    void Answer(class QLocalSocket* socket);

    QString FPath;
    THandler FHandler;
    QLocalServer FServer;
};

enum class TSendResult {
    NoProgram, // nothing listens on the folder's socket: nothing was sent
    NoAnswer,  // sent, and no answer came within the time given
    Answered
};

// Sends a request to the program holding the data folder.
TSendResult SendToProgram(const QString& dataDir, const TTrackerRequest& request,
                          TTrackerReply& reply, int waitMSecs = 10000);
