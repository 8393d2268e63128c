#pragma once
// Runs one of the engine's pairing calls (they block until the remote device has answered) on
// a thread of its own, so that the window goes on while a device pairs, and tells the
// user-interface thread when the call is over. The worker belongs to the item of the device it
// pairs, which goes before the engine deletes that device: its destructor waits for the call,
// which ends within the stack's own pairing time-out.
#include <QObject>
#include <functional>

#include "engine/frame/worker_thread.h"

class PairingWorker : public QObject {
    Q_OBJECT
public:
    PairingWorker();
    ~PairingWorker() override;

    // Starts `call` on the worker's thread; false while a call still runs.
    bool Start(std::function<void()> call);
    // A call was started and its end has not been told yet (user-interface thread).
    bool Running() const { return m_running; }

signals:
    // The call has ended (queued to the user-interface thread; not sent once the worker is gone).
    void Finished();

private:
    static UINT run(void* worker);
    void finish();

    std::function<void()> m_call;  // set before the thread starts, read only by it
    bool m_running = false;
    WorkerThread m_thread;
};
