#include "engine/service/service.h"

#include "engine/device/device.h"
#include "engine/service/com_port.h"
#include "platform/kernel/sync.h"

namespace {
constexpr unsigned int kHighestComPort = 9;
}  // namespace

CService::CService(CDevice* device) : m_sName(L"Service unknown"), m_pDevice(device) {
    m_hConnectionLock = CreateSemaphoreW(nullptr, 1, 1, nullptr);
}

CService::~CService() {
    if (m_hConnectionLock) CloseHandle(m_hConnectionLock);
}

CString CService::GetName() const { return m_sName; }

void CService::setIdentity(unsigned int id, const CString& name) {
    m_uiID = id;
    m_sName = name;
}

std::vector<int> CService::getAvailablePortComList() {
    const PORTEMUPortParams params = SerialClientPortParams(m_pDevice ? m_pDevice->GetBtAddr() : 0);
    std::vector<int> available;
    for (unsigned int index = 0; index <= kHighestComPort; ++index) {
        ComPortRegistration port;
        if (port.Register(index, params)) available.push_back(static_cast<int>(index));
    }
    return available;
}
