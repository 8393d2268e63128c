#pragma once
// The engine's settings: string and 32-bit values under HKEY_LOCAL_MACHINE
// "software\Trevanix\Nimbrel". Made on the stack for one use; its destruction closes the key
// and, when something was written or deleted through it, flushes the registry so that the
// change survives a reset (a read-only use costs no disk sync). It owns its key handle and so
// cannot be copied.
#include "engine/frame/export.h"
#include "platform/kernel/types.h"
#include "platform/mfc/cstring.h"
#include "platform/registry/registry.h"

class NIMBREL_API CRegistry {
public:
    static constexpr const wchar_t* kBaseKey = L"software\\Trevanix\\Nimbrel";

    CRegistry();
    virtual ~CRegistry();
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    int WriteValueString(CString name, CString value);
    // Empty when missing, not a string, or longer than 255 UTF-16 units (a character above
    // U+FFFF takes two).
    CString ReadValueString(CString name);
    int WriteValueDword(CString name, unsigned long value);
    // 0 when missing or not a 32-bit value.
    unsigned long ReadValueDword(CString name);
    // A setting: one that reads as 0 (absent or zero) takes `fallback`, which is written back
    // so that the user finds it. Write failures do not matter.
    unsigned long ReadSettingDword(CString name, unsigned long fallback);
    int DeleteValue(CString name);

private:
    // 1 after a successful change (remembered for the flush), else 0.
    int Written(LONG result);

    HKEY m_hKey = nullptr;
    DWORD m_dwDisposition = 0;
    DWORD m_bOpened = 0;
    bool m_bWritten = false;  // something changed through this object: flush on destruction
};
