#include "engine/service/sobex.h"

#include "engine/frame/cregistry.h"
#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "platform/obex/obex.h"

namespace {

constexpr const wchar_t* kDefaultFolder = L"\\Temp";

std::mutex g_instanceLock;
CSObex* g_pInstance = nullptr;

CString ReadFolder(CRegistry& registry, const wchar_t* name) {
    CString folder = registry.ReadValueString(name);
    return folder.IsEmpty() ? CString(kDefaultFolder) : folder;
}

}  // namespace

CSObex* CSObex::GetInstance() {
    CSObex* instance = nullptr;
    bool made = false;
    {
        std::lock_guard lock(g_instanceLock);
        if (!g_pInstance) {
            g_pInstance = new CSObex();
            made = true;
        }
        instance = g_pInstance;
    }
    // Reported with no lock held: a receiver may ask for the instance itself.
    if (made && !instance->m_pObex) RaiseError(ERR_OBEX_COMPONENT, L"CSObex::CSObex");
    return instance;
}

void CSObex::DestroyInstance() {
    CSObex* instance = nullptr;
    {
        std::lock_guard lock(g_instanceLock);
        std::swap(instance, g_pInstance);
    }
    delete instance;
}

CSObex::CSObex() : m_pObex(platform::CreateObexComponent()) {
    if (!m_pObex) return;
    m_pObex->Initialize();
    CRegistry registry;
    m_sFtpFolder = ReadFolder(registry, L"ObexFTP");
    m_sOppFolder = ReadFolder(registry, L"ObexOPP");
    m_sSynFolder = ReadFolder(registry, L"ObexSYN");
    m_bFoldersRead = true;
}

CSObex::~CSObex() {
    if (m_pObex) m_pObex->Shutdown();
    if (!m_bFoldersRead) return;
    CRegistry registry;
    registry.WriteValueString(L"ObexFTP", GetFtpFolder());
    registry.WriteValueString(L"ObexOPP", m_sOppFolder);
    registry.WriteValueString(L"ObexSYN", m_sSynFolder);
}

CString CSObex::GetFtpFolder() const {
    std::lock_guard lock(m_foldersLock);
    return m_sFtpFolder;
}

void CSObex::SetFtpFolder(CString folder) {
    std::lock_guard lock(m_foldersLock);
    m_sFtpFolder = std::move(folder);
}
