#pragma once
// Counts the engine threads that use objects taken from a shared list after letting go of the
// list's lock (to hand one to a host callback, say). A hold is taken while the list lock is
// held; whoever takes objects out of the list to delete them lets go of the lock and waits
// until no hold is left, so nothing is deleted while a thread still uses it.
#include <condition_variable>
#include <mutex>

#include "engine/frame/export.h"

class NIMBREL_API InUse {
public:
    class NIMBREL_API Hold {
    public:
        Hold() = default;
        explicit Hold(InUse* owner) : m_pOwner(owner) {}
        ~Hold();
        Hold(Hold&& other) noexcept : m_pOwner(other.m_pOwner) { other.m_pOwner = nullptr; }
        Hold& operator=(Hold&& other) noexcept;
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        InUse* m_pOwner = nullptr;
    };

    // Take it with the list's lock held.
    Hold Take();
    // Waits until every hold is let go; call it with no lock held.
    void WaitUnused();

private:
    void release();

    std::mutex m_lock;
    std::condition_variable m_released;
    int m_iHolds = 0;
};
