#pragma once
// A local file sent through an OBEX client's PUT, as object push and upload both send it:
// opened and sized, named, then moved in 64-byte blocks with a percentage after each.
#include <cstdint>

#include "engine/obex/client_obex.h"

class LocalFileSender {
public:
    struct Options {
        TRANSFER_PROGRESS_CALLBACK callback = nullptr;
        long context = 0;
        const wchar_t* reportContext = L"";  // names the operation in reports
        bool reportReadErrors = false;       // a failed read is reported (push) or not (upload)
    };

    LocalFileSender(CClientObex& client, const Options& options) : client_(client), options_(options) {}
    ~LocalFileSender();
    LocalFileSender(const LocalFileSender&) = delete;
    LocalFileSender& operator=(const LocalFileSender&) = delete;

    // Opens the file for reading and learns its size. False when it cannot be opened (the
    // error is reported when `reportOpenError`) or when it is 4 GiB or more, which an OBEX
    // Length cannot carry (reported, before anything is sent).
    bool Open(const CString& path, bool reportOpenError);
    std::uint32_t size() const { return size_; }
    // Sends the blocks through the PUT the caller has begun and ends the PUT; true when the
    // remote device took every byte and accepted the object (an empty one included). A
    // refusal by the remote device is queued as 70101; a local abort is not reported.
    bool Send();

private:
    void Progress(int code) const;

    CClientObex& client_;
    const Options options_;
    HANDLE file_ = nullptr;
    std::uint32_t size_ = 0;
};
