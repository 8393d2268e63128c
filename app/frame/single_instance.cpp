#include "app/frame/single_instance.h"

#include <QByteArray>
#include <QLocalServer>
#include <QLocalSocket>
#include <QVariant>
#include <unistd.h>

#include "platform/kernel/paths.h"

namespace {
// What a later start sends; anything else is not answered.
const QByteArray kRequest = QByteArrayLiteral("_NIMBREL_\n");
const QByteArray kAnswerBytes("\xF5\xF5", 2);
}  // namespace

namespace single_instance {

QString SocketName() {
    const QString name = QStringLiteral("nimbrel-%1").arg(getuid());
    const platform::PrivateFolder folder = platform::RuntimeFolder();
    if (folder.path.empty()) return name;  // Qt's temporary folder
    return QString::fromStdString((folder.path / name.toStdString()).string());
}

bool AskRunningInstance(const QString& name, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(kRequest);
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    QByteArray answer;
    while (answer.size() < kAnswerBytes.size()) {
        if (!socket.bytesAvailable() && !socket.waitForReadyRead(timeoutMs)) return false;
        answer += socket.read(kAnswerBytes.size() - answer.size());
    }
    return answer == kAnswerBytes;
}

}  // namespace single_instance

InstanceServer::InstanceServer(std::function<void()> onAsked, const QString& name)
    : m_onAsked(std::move(onAsked)), m_name(name), m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &InstanceServer::onNewConnection);
}

InstanceServer::~InstanceServer() = default;

bool InstanceServer::Listen() {
    if (m_server->isListening()) return true;
    if (m_server->listen(m_name)) return true;
    if (single_instance::AskRunningInstance(m_name)) return false;
    // Nobody answers on the name: what is left there is a crashed instance's.
    QLocalServer::removeServer(m_name);
    return m_server->listen(m_name);
}

bool InstanceServer::Listening() const { return m_server->isListening(); }

void InstanceServer::onNewConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // Read no more than the request: a peer that sends anything else is dropped.
            const QByteArray got = socket->read(kRequest.size());
            const QByteArray soFar = socket->property("nimbrelRequest").toByteArray() + got;
            if (!kRequest.startsWith(soFar)) {
                socket->abort();
                return;
            }
            socket->setProperty("nimbrelRequest", soFar);
            if (soFar.size() < kRequest.size()) return;
            socket->write(kAnswerBytes);
            socket->flush();
            socket->disconnectFromServer();
            if (m_onAsked) m_onAsked();
        });
    }
}
