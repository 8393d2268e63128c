#pragma once
// One running program per user. The running instance listens on a local socket named for
// the user; a later start connects and asks, and only the answer 0xF5F5 counts as a running
// instance. A socket left by a crashed instance (nobody accepts, or nobody answers in time)
// never blocks a start: it is removed and listened on anew.
#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;

namespace single_instance {

constexpr unsigned kAnswer = 0xF5F5;
constexpr int kAnswerTimeoutMs = 1000;

// The socket's name: in the user's private run-time folder when there is one.
QString SocketName();

// True when a running instance answered 0xF5F5; it has then shown its window.
bool AskRunningInstance(const QString& name = SocketName(), int timeoutMs = kAnswerTimeoutMs);

}  // namespace single_instance

class InstanceServer : public QObject {
    Q_OBJECT
public:
    // `onAsked` runs (on this thread) after each answer to a later start.
    explicit InstanceServer(std::function<void()> onAsked, const QString& name = single_instance::SocketName());
    ~InstanceServer() override;

    // Listens; false when another running instance answers on the name.
    bool Listen();
    bool Listening() const;

private:
    void onNewConnection();

    std::function<void()> m_onAsked;
    QString m_name;
    QLocalServer* m_server;
};
