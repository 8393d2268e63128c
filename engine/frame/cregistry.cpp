#include "engine/frame/cregistry.h"

CRegistry::CRegistry() {
    m_bOpened = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kBaseKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_hKey,
                                &m_dwDisposition) == ERROR_SUCCESS;
}

CRegistry::~CRegistry() {
    if (!m_bOpened) return;
    RegCloseKey(m_hKey);
    if (m_bWritten) RegFlushKey(HKEY_LOCAL_MACHINE);
}

int CRegistry::Written(LONG result) {
    if (result != ERROR_SUCCESS) return 0;
    m_bWritten = true;
    return 1;
}

int CRegistry::WriteValueString(CString name, CString value) {
    if (!m_bOpened) return 0;
    return Written(RegSetValueExW(m_hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.GetString()),
                                  RegStringSize(value.str())));
}

CString CRegistry::ReadValueString(CString name) {
    if (!m_bOpened) return CString();
    wchar_t buffer[256] = {};
    DWORD size = 512, type = 0;
    if (RegQueryValueExW(m_hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return CString();
    buffer[255] = 0;
    return CString(buffer);
}

int CRegistry::WriteValueDword(CString name, unsigned long value) {
    if (!m_bOpened) return 0;
    DWORD data = static_cast<DWORD>(value);
    return Written(RegSetValueExW(m_hKey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data));
}

unsigned long CRegistry::ReadValueDword(CString name) {
    if (!m_bOpened) return 0;
    DWORD data = 0, size = sizeof data;
    if (RegQueryValueOfTypeW(m_hKey, name, REG_DWORD, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS) return 0;
    return data;
}

unsigned long CRegistry::ReadSettingDword(CString name, unsigned long fallback) {
    const unsigned long value = ReadValueDword(name);
    if (value != 0) return value;
    WriteValueDword(std::move(name), fallback);
    return fallback;
}

int CRegistry::DeleteValue(CString name) {
    if (!m_bOpened) return 0;
    return Written(RegDeleteValueW(m_hKey, name));
}
