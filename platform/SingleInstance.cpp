#include "platform/SingleInstance.h"

#include "support/Log.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QUrl>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QVariant>
#include <QLocalSocket>
#include <QVariant>

#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

// A hand-over carries a few paths; anything bigger is not from us.
constexpr qint64 kMaxMessageBytes = 256 * 1024;
const QByteArray kAcknowledgement = QByteArrayLiteral("ok\n");

// Whether the process at the other end of a connected local socket runs as this user.
bool peerIsSameUser(const QLocalSocket &socket)
{
#if defined(Q_OS_LINUX)
    struct ucred credentials {};
    socklen_t length = sizeof(credentials);
    if (getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return false;
    return credentials.uid == getuid();
#else
    Q_UNUSED(socket);
    return true;  // file sockets there are protected by the file's mode instead
#endif
}

// The payload is a sequence of fields, each later one optional: the paths, then the activation
// token. A reader takes the fields it knows and ignores what follows, so either side may be the
// newer program.
QByteArray encode(const QStringList &paths, const QString &activationToken)
{
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << paths << activationToken;
    QByteArray message;
    QDataStream framed(&message, QIODevice::WriteOnly);
    framed.setVersion(QDataStream::Qt_6_4);
    framed << quint32(payload.size());
    message.append(payload);
    return message;
}

// Complete message: the paths (and the token, when the sender gave one); incomplete: nothing
// and complete stays false.
QStringList decode(const QByteArray &buffer, bool *complete, bool *malformed, QString *activationToken)
{
    *complete = false;
    *malformed = false;
    if (buffer.size() < 4)
        return {};
    QDataStream header(buffer);
    header.setVersion(QDataStream::Qt_6_4);
    quint32 size = 0;
    header >> size;
    if (size > kMaxMessageBytes) {
        *malformed = true;
        return {};
    }
    if (buffer.size() < 4 + qint64(size))
        return {};
    *complete = true;
    QDataStream in(buffer.mid(4, size));
    in.setVersion(QDataStream::Qt_6_4);
    QStringList paths;
    in >> paths;
    if (in.status() != QDataStream::Ok) {
        *malformed = true;
        return {};
    }
    if (!in.atEnd()) {
        QString token;
        in >> token;
        if (in.status() == QDataStream::Ok)
            *activationToken = token;
    }
    return paths;
}

} // namespace

LMRSingleInstance::LMRSingleInstance(const QString &name, QObject *parent)
    : QObject(parent), m_name(name)
{
}

LMRSingleInstance::~LMRSingleInstance() = default;

QString LMRSingleInstance::defaultName()
{
    const QString platform = QGuiApplication::platformName();
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    QString display = qEnvironmentVariable("DISPLAY");
    // ":0" and ":0.0" are one display: the screen number does not make another session.
    static const QRegularExpression screen(QStringLiteral("\\.[0-9]+$"));
    if (display.lastIndexOf(u':') >= 0 && display.lastIndexOf(u'.') > display.lastIndexOf(u':'))
        display.remove(screen);
    if (display.startsWith(QLatin1String("unix:")))
        display.remove(0, 4);
    // Under XWayland both are set, and the window is on the display the platform talks to.
    QString session;
    if (platform.startsWith(QLatin1String("wayland")) && !wayland.isEmpty())
        session = wayland;
    else if (!display.isEmpty())
        session = display;
    else if (!wayland.isEmpty())
        session = wayland;
    else
        session = platform;
    // Socket names end at about 107 bytes; a long socket path is cut to a digest instead.
    QByteArray encoded = QUrl::toPercentEncoding(session, ":.");
    if (encoded.size() > 64)
        encoded = QCryptographicHash::hash(session.toUtf8(), QCryptographicHash::Sha1).toHex().left(32);
    return QStringLiteral("lumory-%1-%2").arg(quint64(getuid())).arg(QString::fromLatin1(encoded));
}

bool LMRSingleInstance::handOver(const QStringList &paths, const QString &activationToken, int timeoutMs)
{
    QLocalSocket socket;
#if defined(Q_OS_LINUX)
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
#endif
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    if (!peerIsSameUser(socket)) {
        LMRLog(QStringLiteral("Ignoring a Lumory instance of another user on \"%1\"").arg(m_name));
        return false;
    }
    socket.write(encode(paths, activationToken));
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    QElapsedTimer clock;
    clock.start();
    QByteArray answer;
    while (answer.size() < kAcknowledgement.size()) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0 || !socket.waitForReadyRead(int(left)))
            return false;
        answer += socket.readAll();
    }
    return answer.startsWith(kAcknowledgement);
}

bool LMRSingleInstance::listen()
{
    if (m_server)
        return m_server->isListening();
    m_server = new QLocalServer(this);
#if defined(Q_OS_LINUX)
    // No socket file: nothing stale is left behind by a crash, and nothing can be replaced.
    m_server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
#else
    // Only remove a socket file that nobody answers on; a live one belongs to a running instance.
    {
        QLocalSocket probe;
        probe.connectToServer(m_name);
        if (!probe.waitForConnected(500) && probe.error() == QLocalSocket::ConnectionRefusedError)
            QLocalServer::removeServer(m_name);
    }
#endif
    connect(m_server, &QLocalServer::newConnection, this, &LMRSingleInstance::acceptConnection);
    if (!m_server->listen(m_name)) {
        LMRLog(QStringLiteral("Could not listen on \"%1\": %2").arg(m_name, m_server->errorString()));
        delete m_server;
        m_server = nullptr;
        return false;
    }
    return true;
}

bool LMRSingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

void LMRSingleInstance::acceptConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        if (!peerIsSameUser(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->bytesAvailable() > 0)
            readFrom(socket);
    }
}

void LMRSingleInstance::readFrom(QLocalSocket *socket)
{
    // The buffer accumulates on the socket itself until the whole message is there.
    QByteArray buffer = socket->property("lmrBuffer").toByteArray() + socket->readAll();
    bool complete = false;
    bool malformed = false;
    QString activationToken;
    const QStringList paths = decode(buffer, &complete, &malformed, &activationToken);
    if (malformed) {
        socket->abort();
        return;
    }
    if (!complete) {
        socket->setProperty("lmrBuffer", buffer);
        return;
    }
    socket->setProperty("lmrBuffer", QVariant());
    socket->write(kAcknowledgement);
    socket->flush();
    socket->disconnectFromServer();
    emit received(paths, activationToken);
}
