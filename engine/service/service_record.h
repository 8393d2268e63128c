#pragma once
// The SDP record of a local service and the block that publishes or removes it.
#include <memory>
#include <optional>
#include <vector>

#include "platform/kernel/types.h"
#include "platform/mfc/cstring.h"

// ServiceClassIDList {UUID128 serviceClass}, ProtocolDescriptorList {{L2CAP}, {RFCOMM, channel}}
// and ServiceName (the name in the 8-bit code page, no terminator), in SDP wire form. Nothing
// when the service class is all zero (the service names no profile) or the record can't be
// encoded.
std::optional<std::vector<BYTE>> BuildLocalServiceRecord(const GUID& serviceClass, unsigned int rfcommChannel,
                                                         const CString& name);

// A BTHNS_SETBLOB followed by the record bytes; its size is the block's real size.
struct SetBlob {
    std::unique_ptr<BYTE[]> block;
    ULONG size = 0;
    explicit operator bool() const { return block != nullptr; }
};

// The block for the version and record-handle variables (both stay the caller's) and a copy of
// the record; empty when it can't be allocated. Without a record it removes the handle's record.
SetBlob MakeSetBlob(ULONG* version, ULONG* recordHandle, const BYTE* record, ULONG length);

// Hands the block to the stack in a Bluetooth name-space query set; 0, or -1 with the reason in
// the last error.
int SetService(const SetBlob& blob, DWORD operation);
