#pragma once
// Runs one of the engine's blocking calls (a pairing, which waits for the remote device; a
// folder listing, which waits for its OBEX server) on a thread of its own, so that the window
// goes on meanwhile, and tells the user-interface thread when the call is over. Whoever owns
// the worker keeps what the call touches alive until it has ended: the destructor waits for it.
#include <QObject>
#include <functional>

#include "engine/frame/worker_thread.h"

class EngineCallWorker : public QObject {
    Q_OBJECT
public:
    EngineCallWorker();
    ~EngineCallWorker() override;

    // Starts `call` on the worker's thread; false while a call still runs.
    bool Start(std::function<void()> call);
    // A call was started and its end has not been told yet (user-interface thread).
    bool Running() const { return m_running; }
    // Waits for the call running now, if any, to return; its end is not told.
    void Wait();

signals:
    // The call has ended (queued to the user-interface thread; not sent once the worker is gone,
    // nor for a call that was waited for).
    void Finished();

private:
    static UINT run(void* worker);
    void finish(unsigned call);

    std::function<void()> m_call;  // set before the thread starts, read only by it
    unsigned m_calls = 0;          // calls started: the one whose end is told is the last
    bool m_running = false;
    WorkerThread m_thread;
};
