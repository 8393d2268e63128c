#pragma once
// The engine's notifications and error reports as typed signals of one object that lives on
// the user-interface thread. The engine calls back on its own threads (and at times on the
// caller's): each callback only emits. Connect with Qt::QueuedConnection, so that a handler
// always runs later on the user-interface thread, never inside an engine call.
//
// The newest EngineEvents made is the one callbacks reach; none reaches one being destroyed.
// Adding an event is a signal here and a row in the table of engine_events.cpp.
#include <QObject>
#include <QString>

class EngineEvents : public QObject {
    Q_OBJECT
public:
    // The engine service a connection message concerns: a key to find its item by, never read
    // (the service may be gone by the time a handler runs). 0: none named.
    using ServiceKey = quintptr;

    explicit EngineEvents(QObject* parent = nullptr);
    ~EngineEvents() override;

    // Registers the engine's notification callbacks (while the engine is on) or removes them.
    void Listen(bool on);

    // The program's error receiver hands each report (its code and text) on through this
    // (any thread).
    static void ReportError(int code, const QString& text);

signals:
    // A device or service added, pairing changed, a folder's listing changed or an item of it
    // deleted: the browser's lists are to be read again.
    void listsChanged();
    // `device` (its address) asks for a PIN.
    void pairRequested(quint64 device);
    void inquiryStarted();
    void inquiryEnded();
    void connecting();
    void connected(EngineEvents::ServiceKey service);
    void connectFailed(EngineEvents::ServiceKey service);
    // A connection ended, by us or by the remote side.
    void disconnected(EngineEvents::ServiceKey service);
    // An OBEX session's remote side went away.
    void obexDisconnected(EngineEvents::ServiceKey service);
    void errorReported(const QString& text);
    // The connection monitor found a connected service's link gone ("Service Serial Port on
    // Phone disconnected!"); it tries to reconnect for a while.
    void linkLost(const QString& text);
};
