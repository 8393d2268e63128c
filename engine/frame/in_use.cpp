#include "engine/frame/in_use.h"

InUse::Hold::~Hold() {
    if (m_pOwner) m_pOwner->release();
}

InUse::Hold& InUse::Hold::operator=(Hold&& other) noexcept {
    if (this != &other) {
        if (m_pOwner) m_pOwner->release();
        m_pOwner = other.m_pOwner;
        other.m_pOwner = nullptr;
    }
    return *this;
}

InUse::Hold InUse::Take() {
    std::lock_guard lock(m_lock);
    ++m_iHolds;
    return Hold(this);
}

void InUse::WaitUnused() {
    std::unique_lock lock(m_lock);
    m_released.wait(lock, [this] { return m_iHolds == 0; });
}

void InUse::release() {
    std::lock_guard lock(m_lock);
    if (--m_iHolds == 0) m_released.notify_all();
}
