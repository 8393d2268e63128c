#pragma once
// The engine's one way into the Bluetooth stack: a thin wrapper per driver request on one
// process-wide handle to "BTD0:", opened on first use. The device and security wrappers return
// 0 or a system error code; the name-space wrappers return 0 or -1 with the reason in the last
// error, as socket calls do.
#include "engine/frame/export.h"
#include "platform/bluetooth/bt_driver.h"
#include "platform/bluetooth/bt_namespace.h"
#include "platform/kernel/types.h"

struct BASEBAND_CONNECTION {
    WORD hConnection;
    BT_ADDR bta;
    int cDataPacketsPending;
    unsigned int fLinkType : 1;
    unsigned int fEncrypted : 1;
    unsigned int fAuthenticated : 1;
    unsigned int fMode : 3;
    unsigned int fOther : 26;  // left as the caller had them
};

NIMBREL_API int BthWriteScanEnableMask(BYTE mask);
NIMBREL_API int BthReadScanEnableMask(BYTE* mask);
NIMBREL_API int BthWriteAuthenticationEnable(BYTE enable);
NIMBREL_API int BthReadAuthenticationEnable(BYTE* enable);
NIMBREL_API int BthReadCOD(unsigned int* classOfDevice);
NIMBREL_API int BthReadLocalAddr(BT_ADDR* address);
NIMBREL_API int BthGetHardwareStatus(int* status);
NIMBREL_API int BthRemoteNameQuery(BT_ADDR address, unsigned int bufferSize, unsigned int* required, wchar_t* name);
NIMBREL_API int BthGetRemoteCOD(BT_ADDR address, unsigned int* classOfDevice);
// Forget the PIN, and the link key, kept for a device.
NIMBREL_API int BthRevokePIN(BT_ADDR address);
NIMBREL_API int BthRevokeLinkKey(BT_ADDR address);
NIMBREL_API int BthSetSecurityUI(HANDLE event, DWORD storeTimeout, DWORD processTimeout);
NIMBREL_API int BthGetPINRequest(BT_ADDR* address);
NIMBREL_API int BthRefusePINRequest(BT_ADDR address);
NIMBREL_API int BthAnswerPairRequest(BT_ADDR address, int pinLength, const unsigned char* pin);
NIMBREL_API int BthPairRequest(BT_ADDR address, int pinLength, const unsigned char* pin);
NIMBREL_API int BthGetBasebandConnections(int count, BASEBAND_CONNECTION* connections, int* returned);

NIMBREL_API int BthNsSetService(WSAQUERYSETW* querySet, DWORD operation, DWORD flags);
NIMBREL_API int BthNsLookupServiceBegin(WSAQUERYSETW* querySet, DWORD flags, HANDLE* lookup);
NIMBREL_API int BthNsLookupServiceNext(HANDLE lookup, DWORD flags, DWORD* bufferLength, WSAQUERYSETW* results);
NIMBREL_API int BthNsLookupServiceEnd(HANDLE lookup);
