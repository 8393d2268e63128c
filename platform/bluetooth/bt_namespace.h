#pragma once
// Records of the Bluetooth name space: device inquiries and SDP searches are lookups
// (begin, next, end) described by a query set; SDP records are published with a set blob.
#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

constexpr DWORD NS_BTH = 16;
constexpr WORD AF_BTH = 32;

// Lookup flags.
constexpr DWORD LUP_CONTAINERS = 0x0002;
constexpr DWORD LUP_FLUSHCACHE = 0x1000;
constexpr DWORD LUP_RETURN_NAME = 0x0010;
constexpr DWORD LUP_RETURN_TYPE = 0x0020;
constexpr DWORD LUP_RETURN_ADDR = 0x0100;
constexpr DWORD LUP_RETURN_BLOB = 0x0200;

// Set-service operations.
constexpr DWORD RNRSERVICE_REGISTER = 0;
constexpr DWORD RNRSERVICE_DEREGISTER = 1;
constexpr DWORD RNRSERVICE_DELETE = 2;

// Restriction types of an SDP lookup.
constexpr DWORD SDP_SERVICE_SEARCH_REQUEST = 1;
constexpr DWORD SDP_SERVICE_ATTRIBUTE_REQUEST = 2;
constexpr DWORD SDP_SERVICE_SEARCH_ATTRIBUTE_REQUEST = 3;

constexpr WORD SDP_ST_UUID16 = 0x0130;
constexpr WORD SDP_ST_UUID32 = 0x0230;
constexpr WORD SDP_ST_UUID128 = 0x0430;
constexpr int MAX_UUIDS_IN_QUERY = 12;

struct BLOB {
    ULONG cbSize;
    BYTE* pBlobData;
};

struct SOCKADDR_BTH {
    WORD addressFamily;
    BT_ADDR btAddr;
    GUID serviceClassId;
    ULONG port;
};

struct SOCKET_ADDRESS {
    SOCKADDR_BTH* lpSockaddr;
    int iSockaddrLength;
};

struct CSADDR_INFO {
    SOCKET_ADDRESS LocalAddr;
    SOCKET_ADDRESS RemoteAddr;
    int iSocketType;
    int iProtocol;
};

struct WSAQUERYSETW {
    DWORD dwSize;
    LPWSTR lpszServiceInstanceName;
    GUID* lpServiceClassId;
    void* lpVersion;
    LPWSTR lpszComment;
    DWORD dwNameSpace;
    GUID* lpNSProviderId;
    LPWSTR lpszContext;
    DWORD dwNumberOfProtocols;
    void* lpafpProtocols;
    LPWSTR lpszQueryString;
    DWORD dwNumberOfCsAddrs;
    CSADDR_INFO* lpcsaBuffer;
    DWORD dwOutputFlags;
    BLOB* lpBlob;
};

struct SdpQueryUuid {
    union {
        GUID uuid128;
        ULONG uuid32;
        WORD uuid16;
    } u;
    WORD uuidType;
};

struct SdpAttributeRange {
    WORD minAttribute;
    WORD maxAttribute;
};

struct BTHNS_RESTRICTIONBLOB {
    ULONG type;
    ULONG serviceHandle;
    SdpQueryUuid uuids[MAX_UUIDS_IN_QUERY];
    ULONG numRange;
    SdpAttributeRange pRange[1];
};

// What a device inquiry returns in its blob.
struct BthInquiryResult {
    BT_ADDR ba;
    unsigned int cod;
    unsigned short clock_offset;
    unsigned char page_scan_mode;
    unsigned char page_scan_period_mode;
    unsigned char page_scan_repetition_mode;
};

// The blob that publishes (or, without a record, removes) an SDP record.
struct BTHNS_SETBLOB {
    ULONG* pSdpVersion;
    ULONG* pRecordHandle;
    ULONG Reserved[4];
    ULONG fSecurity;
    ULONG fOptions;
    ULONG ulRecordLength;
    BYTE pRecord[1];
};

#pragma GCC visibility pop
