#include "app/single_instance.h"

#include <QLocalServer>
#include <QHash>
#include <QLocalSocket>

#include <memory>

#include <unistd.h>

namespace veltor {

namespace {

// A hand-over: a header line, then one UTF-8 path per line.
constexpr char kHeader[] = "veltor-viewer open\n";
constexpr qint64 kMaxMessage = 1 << 20;

} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent), m_name(name) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultName() {
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty()) display = qEnvironmentVariable("DISPLAY");
    display.replace(QLatin1Char('/'), QLatin1Char('_'));
    // Viewers over another settings file are other viewers.
    const QByteArray settings = qgetenv("VELTOR_SETTINGS");
    const QString profile = settings.isEmpty() ? QString()
                                               : QStringLiteral("-%1").arg(qHash(settings), 8, 16, QLatin1Char('0'));
    return QStringLiteral("veltor-viewer-%1-%2%3").arg(getuid()).arg(display, profile);
}

bool SingleInstance::handOver(const QStringList& files, int timeoutMs) const {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs)) return false;
    QByteArray message(kHeader);
    for (const QString& f : files) message += f.toUtf8() + '\n';
    socket.write(message);
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
    return true;
}

bool SingleInstance::listen() {
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // A socket left by a viewer that crashed: nobody answers on it.
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name)) {
            m_error = m_server->errorString();
            return false;
        }
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            connect(socket, &QLocalSocket::readyRead, socket, [socket, buffer] {
                buffer->append(socket->readAll());
                if (buffer->size() > kMaxMessage) socket->abort();
            });
            connect(socket, &QLocalSocket::disconnected, this, [this, socket, buffer] {
                buffer->append(socket->readAll());
                QStringList files;
                if (buffer->startsWith(kHeader)) {
                    const QList<QByteArray> lines = buffer->mid(int(sizeof kHeader) - 1).split('\n');
                    for (const QByteArray& line : lines)
                        if (!line.isEmpty()) files << QString::fromUtf8(line);
                    emit filesReceived(files);
                }
                socket->deleteLater();
            });
        }
    });
    return true;
}

} // namespace veltor
