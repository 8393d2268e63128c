#pragma once
// The PUT and GET streams of a device (internal to the OBEX component).
#include <memory>

#include "platform/obex/obex_device.h"
#include "platform/obex/obex_session.h"

namespace platform {

HRESULT ResultOf(const obex::SessionResult& result);

// A PUT begun on `session`. `declaredObject`: the headers carried a Length, so the object
// exists even when empty (the last packet then has an empty End-of-Body).
std::unique_ptr<IStream> MakePutStream(std::shared_ptr<obex::ClientSession> session, obex::OperationId operation,
                                       bool declaredObject);
// A GET begun on `session`, with the headers of its first answer.
std::unique_ptr<IStream> MakeGetStream(std::shared_ptr<obex::ClientSession> session, obex::OperationId operation,
                                       std::vector<obex::Header> firstAnswer, bool more);

}  // namespace platform
