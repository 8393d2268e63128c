#include "app/browser/pairing_worker.h"

PairingWorker::PairingWorker() = default;

PairingWorker::~PairingWorker() { m_thread.Join(); }

bool PairingWorker::Start(std::function<void()> call) {
    if (m_running) return false;
    m_thread.Join();  // the last call has ended; its thread at most still returns
    m_call = std::move(call);
    if (!m_thread.Start(&PairingWorker::run, this)) return false;
    m_running = true;
    return true;
}

UINT PairingWorker::run(void* argument) {
    auto* worker = static_cast<PairingWorker*>(argument);
    worker->m_call();
    // Queued on the worker: Qt drops it when the worker is deleted before it runs, and the
    // worker is not deleted before this thread has returned.
    QMetaObject::invokeMethod(worker, [worker] { worker->finish(); }, Qt::QueuedConnection);
    return 0;
}

void PairingWorker::finish() {
    m_thread.Join();
    m_running = false;
    emit Finished();
}
