#include "app/browser/engine_call_worker.h"

EngineCallWorker::EngineCallWorker() = default;

EngineCallWorker::~EngineCallWorker() { m_thread.Join(); }

bool EngineCallWorker::Start(std::function<void()> call) {
    if (m_running) return false;
    m_thread.Join();  // the last call has ended; its thread at most still returns
    m_call = std::move(call);
    ++m_calls;
    if (!m_thread.Start(&EngineCallWorker::run, this)) return false;
    m_running = true;
    return true;
}

void EngineCallWorker::Wait() {
    m_thread.Join();
    m_running = false;
}

UINT EngineCallWorker::run(void* argument) {
    auto* worker = static_cast<EngineCallWorker*>(argument);
    worker->m_call();
    // Queued on the worker: Qt drops it when the worker is deleted before it runs, and the
    // worker is not deleted before this thread has returned. The count was set before the
    // thread started and changes only once it has been joined.
    const unsigned call = worker->m_calls;
    QMetaObject::invokeMethod(worker, [worker, call] { worker->finish(call); }, Qt::QueuedConnection);
    return 0;
}

void EngineCallWorker::finish(unsigned call) {
    if (call != m_calls || !m_running) return;  // a call waited for, or one before the last
    m_thread.Join();
    m_running = false;
    emit Finished();
}
