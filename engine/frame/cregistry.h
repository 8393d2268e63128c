#pragma once
// The engine's settings: string and 32-bit values under HKEY_LOCAL_MACHINE
// "software\Trevanix\Nimbrel". Made on the stack for one use; its destruction closes the key
// and flushes the registry, so what was written survives a reset.
#include "engine/frame/export.h"
#include "platform/kernel/types.h"
#include "platform/mfc/cstring.h"
#include "platform/registry/registry.h"

class NIMBREL_API CRegistry {
public:
    static constexpr const wchar_t* kBaseKey = L"software\\Trevanix\\Nimbrel";

    CRegistry();
    virtual ~CRegistry();
    CRegistry(const CRegistry&) = default;
    CRegistry& operator=(const CRegistry&) = default;

    int WriteValueString(CString name, CString value);
    // Empty when missing, not a string, or longer than 255 characters.
    CString ReadValueString(CString name);
    int WriteValueDword(CString name, unsigned long value);
    // 0 when missing or not a 32-bit value.
    unsigned long ReadValueDword(CString name);
    int DeleteValue(CString name);

private:
    HKEY m_hKey = nullptr;
    DWORD m_dwDisposition = 0;
    DWORD m_bOpened = 0;
};
