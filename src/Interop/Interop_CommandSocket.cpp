#include "Interop_CommandSocket.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLocalSocket>

#ifdef Q_OS_LINUX
#include <sys/socket.h>
#include <unistd.h>
#endif
#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {
constexpr qint64 LongestRequest = 64 * 1024;

// A folder only this user can reach: the session's runtime folder when it is the user's own
// and closed to others, else a private folder made in the system's temporary folder.
QString PrivateRuntimeFolder() {
#ifdef Q_OS_WIN
    return QDir::tempPath();
#else
    auto trusted = [](const QString& path) {
        const QFileInfo info(path);
        return info.isDir() && !info.isSymLink() && info.ownerId() == ::getuid() &&
               (QFile::permissions(path) &
                (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                 QFile::WriteOther | QFile::ExeOther)) == 0;
    };
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && trusted(runtime)) return runtime;
    const QString own = QDir::tempPath() + QStringLiteral("/tivrel-") + QString::number(::getuid());
    if (!QFileInfo::exists(own))
        QDir().mkdir(own, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return trusted(own) ? own : QString();
#endif
}

bool PeerIsThisUser([[maybe_unused]] QLocalSocket& socket) {
#ifdef Q_OS_LINUX
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials,
                     &size) != 0)
        return false;
    return credentials.uid == ::getuid();
#else
    return true; // the socket's folder and modes keep other users out
#endif
}

QByteArray Line(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}
} // namespace

QString CommandSocketPath(const QString& dataDir) {
    QString folder = QFileInfo(dataDir).canonicalFilePath();
    if (folder.isEmpty()) folder = QFileInfo(dataDir).absoluteFilePath();
    const QString name =
        QStringLiteral("tivrel-") +
        QString::fromLatin1(
            QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
#ifdef Q_OS_WIN
    return name;
#else
    const QString runtime = PrivateRuntimeFolder();
    return runtime.isEmpty() ? QString()
                             : runtime + QLatin1Char('/') + name + QStringLiteral(".sock");
#endif
}

TCommandServer::TCommandServer(const QString& dataDir, THandler handler, QObject* parent)
    : QObject(parent), FPath(CommandSocketPath(dataDir)), FHandler(std::move(handler)) {
    FServer.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&FServer, &QLocalServer::newConnection, this, &TCommandServer::Accept);
}

bool TCommandServer::Listen(QString& error) {
    if (FPath.isEmpty()) {
        error = QStringLiteral("no private folder for the command socket");
        return false;
    }
    QLocalServer::removeServer(FPath); // left by a program that died; the lock is ours
    if (!FServer.listen(FPath)) {
        error = FServer.errorString();
        return false;
    }
    return true;
}

void TCommandServer::Accept() {
    while (QLocalSocket* socket = FServer.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!PeerIsThisUser(*socket)) {
            socket->abort();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Answer(socket); });
        if (socket->canReadLine()) Answer(socket);
    }
}

void TCommandServer::Answer(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > LongestRequest) socket->abort();
        return;
    }
    const QJsonObject object = QJsonDocument::fromJson(socket->readLine(LongestRequest)).object();
    TTrackerRequest request;
    request.Command = object.value(QStringLiteral("command")).toString();
    request.Argument = object.value(QStringLiteral("argument")).toString();
    request.Json = object.value(QStringLiteral("json")).toBool();
    TTrackerReply reply =
        TrackerCommandNames().contains(request.Command)
            ? FHandler(request)
            : TTrackerReply::Failure(QStringLiteral("unknown command '%1'").arg(request.Command));
    socket->write(Line({{QStringLiteral("exitCode"), reply.ExitCode},
                        {QStringLiteral("text"), reply.Text},
                        {QStringLiteral("status"), reply.Status}}));
    socket->flush();
    socket->disconnectFromServer();
}

TSendResult SendToProgram(const QString& dataDir, const TTrackerRequest& request,
                          TTrackerReply& reply, int waitMSecs) {
    const QString path = CommandSocketPath(dataDir);
    if (path.isEmpty()) return TSendResult::NoProgram;
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(1000)) return TSendResult::NoProgram;
    socket.write(Line({{QStringLiteral("command"), request.Command},
                       {QStringLiteral("argument"), request.Argument},
                       {QStringLiteral("json"), request.Json}}));
    socket.flush();
    QDeadlineTimer deadline(waitMSecs);
    while (!socket.canReadLine() && socket.state() == QLocalSocket::ConnectedState &&
           !deadline.hasExpired())
        socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    if (!socket.canReadLine()) return TSendResult::NoAnswer;
    const QJsonObject object = QJsonDocument::fromJson(socket.readLine(LongestRequest)).object();
    reply.ExitCode = object.value(QStringLiteral("exitCode")).toInt(1);
    reply.Text = object.value(QStringLiteral("text")).toString();
    reply.Status = object.value(QStringLiteral("status")).toObject();
    return TSendResult::Answered;
}
