#pragma once
// The OBEX clients: a session to a remote OBEX service (file transfer, object push) through
// the platform's OBEX component, and the primitives transfers are built from: open and close a
// PUT or GET, move its bytes in blocks, change the remote folder, abort.
//
// One transfer runs at a time, on a thread of its own; Abort may come from any other thread
// while that thread waits inside PutPacket or GetPacket, which then return 0 promptly.
#include <atomic>
#include <memory>
#include <mutex>

#include "engine/service/service_distant.h"
#include "platform/obex/header_collection.h"
#include "platform/obex/obex_device.h"

// Progress of a transfer, on the transfer's thread: PROGRESS_START, percentages 0 to 100 (or
// PROGRESS_UNKNOWN per block when the size is not known), PROGRESS_END, and PROGRESS_FAILED
// for a fetch that brought nothing usable.
using TRANSFER_PROGRESS_CALLBACK = void (*)(int code, long context);
constexpr int PROGRESS_START = 250;
constexpr int PROGRESS_END = 251;
constexpr int PROGRESS_UNKNOWN = 254;
constexpr int PROGRESS_FAILED = -1;

class NIMBREL_API CClientObex : public CServiceDistant {
public:
    explicit CClientObex(CDevice* device);
    ~CClientObex() override;

    // A lost link is told to the host (NOTIFY_OBEX_DISCONNECTED); the client is not marked for
    // the monitor's reconnection.
    void SetDistantDisconnection() override;

    // The OBEX Target header (all zero: none) and the service class to bind to (all zero: none).
    virtual GUID getGuidTarget() const;
    virtual GUID getGuidRequestedService() const;

    // One operation (a listing, fetch, upload, delete or push) at a time: its thread holds the
    // claim from its first request to its end. While another holds it, the claim returned
    // owns nothing and 70009 is reported with `context`.
    std::unique_lock<std::mutex> ClaimSession(const wchar_t* context);

    // 1 on success; failures are reported (see the error codes 70003-70011). A failed begin
    // empties the object headers, so that none of them goes with the next operation.
    int BeginPutObject();
    int EndPutObject();
    int BeginGetObject();
    int EndGetObject();
    // The bytes the stream took or gave; 0 without a stream, at the object's end, after an
    // abort or a refusal.
    ULONG PutPacket(const void* data, ULONG size);
    ULONG GetPacket(void* buffer, ULONG size);
    // A remote folder by its full path ("\" the root, "\\Images\2006"); 1 when every step
    // was accepted (none is sent towards where the session already is).
    int GoToPath(const CString& path);
    int Abort();
    bool IsAborted() const { return m_bAborted.load(); }
    // Whether a PutPacket or GetPacket of the object in progress failed (rather than the
    // object ending): refused, aborted or cut off.
    bool TransferFailed() const { return m_bTransferFailed.load(); }
    // Whether the link to the device was lost during the object in progress (told as 70402).
    bool LinkLost() const { return m_bLinkLost.load(); }
    // Whether the remote device accepted the object that the last EndPutObject committed.
    bool ObjectAccepted() const { return m_bAccepted.load(); }
    // The headers of the next PUT or GET; emptied by EndPutObject and EndGetObject. The
    // collection lives as long as the client.
    IHeaderCollection* GetObjectHeader() const { return m_pObjectHeaders.get(); }

    // The registry value (milliseconds, REG_DWORD) that bounds the wait for each answer of a
    // remote OBEX service; 30000 when unset.
    static constexpr const wchar_t* kResponseTimeoutValue = L"OBEX Response Timeout";

protected:
    int makeConnection() override;
    int makeDisconnection() override;
    // A CONNECT still awaited is given up.
    void interruptConnection() override;

private:
    // Reports a failed call of the OBEX component with `code`; a time-out or a busy session is
    // told first as such.
    void reportFailure(HRESULT result, int code, const wchar_t* context);
    // A failed PutPacket or GetPacket: the transfer has failed; why is told once.
    void streamFailed(HRESULT result, const wchar_t* context);
    // A session that was up lost its link: told as the connection monitor tells a lost link.
    void linkLost(const wchar_t* context);
    // The bound device, copied under the lock: Abort and a transfer use it from different
    // threads.
    std::shared_ptr<IObexDevice> device() const;
    // Opens a PUT or GET with the object headers; `failure` is its report.
    int beginObject(bool put, int failure, const wchar_t* context);
    // Commits a PUT's stream and lets go of it, and empties the object headers.
    int endObject(bool put, const wchar_t* context);

    std::atomic<bool> m_bAborted{false};
    std::atomic<bool> m_bAccepted{false};
    std::atomic<bool> m_bTransferFailed{false};
    std::atomic<bool> m_bLinkLost{false};
    // The three collections live as long as the client.
    const std::shared_ptr<IHeaderCollection> m_pConnectionHeaders;
    const std::shared_ptr<IHeaderCollection> m_pObjectHeaders;
    const std::shared_ptr<IHeaderCollection> m_pAbortHeaders;
    mutable std::mutex m_sessionLock;  // the device references; never held over a call into them
    std::shared_ptr<IObexDevice> m_pObexDevice;
    std::shared_ptr<IObexDevice> m_pConnecting;  // bound, its CONNECT not answered yet
    std::mutex m_operationLock;                  // held by the thread whose operation runs
    // The open PUT or GET belongs to the transfer's thread alone (begin, blocks, end), so a
    // block costs no lock. Another thread ends a transfer through the session (Abort,
    // disconnection), after which the stream's calls fail at once.
    std::unique_ptr<IStream> m_pStream;
};
