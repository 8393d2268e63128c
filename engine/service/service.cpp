#include "engine/service/service.h"

#include "platform/kernel/sync.h"

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
