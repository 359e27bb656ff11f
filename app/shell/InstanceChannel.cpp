#include "InstanceChannel.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace quillet {

namespace {
// What the running program answers once it has the whole command line.
const QByteArray Taken = QByteArrayLiteral("taken\n");
// A command line longer than this is no command line of ours.
constexpr qint64 LongestLine = 64 * 1024;
} // namespace

QString InstanceChannel::nameFor(const QString& lockName) {
    // Socket paths are short: a digest of the lock's name stands for it.
    return QStringLiteral("quillet-") +
           QString::fromLatin1(
               QCryptographicHash::hash(lockName.toUtf8(), QCryptographicHash::Sha256)
                   .toHex()
                   .left(24));
}

InstanceChannel::InstanceChannel(QString name, QObject* parent)
    : QObject(parent), m_name(std::move(name)) {}

InstanceChannel::~InstanceChannel() = default;

bool InstanceChannel::listen() {
    if (m_server)
        return m_server->isListening();
    m_server = new QLocalServer(this);
    // Only this user's programs may hand anything over.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(m_name);
    connect(m_server, &QLocalServer::newConnection, this, [this] { takeConnection(); });
    return m_server->listen(m_name);
}

void InstanceChannel::takeConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > LongestLine)
                    socket->abort();
                return;
            }
            const QString line =
                QString::fromUtf8(QByteArray::fromPercentEncoding(socket->readLine().chopped(1)));
            socket->write(Taken);
            socket->flush();
            socket->disconnectFromServer();
            // After the answer: what it starts (dialogs) must not keep the sender waiting.
            QTimer::singleShot(0, this, [this, line] { Q_EMIT received(line); });
        });
        // A sender that never finishes its line is dropped.
        QTimer::singleShot(5000, socket, [socket] { socket->abort(); });
    }
}

bool InstanceChannel::send(const QString& name, const QString& commandLine, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    // One line, whatever the path holds.
    socket.write(commandLine.toUtf8().toPercentEncoding() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    QByteArray answer;
    while (!answer.endsWith('\n')) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
        answer += socket.readAll();
    }
    return answer == Taken;
}

} // namespace quillet
