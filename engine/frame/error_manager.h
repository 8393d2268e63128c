#pragma once
// Error reports: an error table (code and type to text), receivers ("communications") that
// the host attaches per code, and delivery either at once on the reporting thread
// (RaiseError) or in order on a dispatcher thread of its own (PostError).
#include <cstdint>
#include <map>
#include <mutex>
#include <shared_mutex>
#include <utility>
#include <vector>

#include "engine/frame/export.h"
#include "platform/kernel/types.h"
#include "platform/mfc/cstring.h"

enum ERROR_TYPE : std::int32_t {
    ERROR_TYPE_ERROR = 1,
    ERROR_TYPE_UNKNOWN = 2,
};

// Handles and parameters are as wide as a pointer: a communication's handle is its identity,
// and a report's parameter may carry an engine object.
using COMMUNICATION_HANDLE = std::uintptr_t;
using ERROR_PARAM = std::uintptr_t;
using ERROR_CALLBACK = int (*)(int code, const wchar_t* message, const wchar_t* context, void* param);

class CCommunication;

class NIMBREL_API CError {
public:
    CError(int code, ERROR_TYPE type, const CString& text) : code(code), type(type), text(text) {}
    virtual ~CError() = default;

    const int code;
    const ERROR_TYPE type;
    const CString text;
    std::vector<CCommunication*> communications;  // in attachment order; not owned
};

class NIMBREL_API CCommunication {
public:
    virtual ~CCommunication() = default;
    virtual int Notify(int code, const wchar_t* message, const wchar_t* context, ERROR_PARAM param,
                       const SYSTEMTIME* time) = 0;
    virtual int Init() { return 1; }
    virtual int Matches(int kind, std::uintptr_t argument) const = 0;
};

class NIMBREL_API CCallBackCommunication final : public CCommunication {
public:
    static constexpr int kKind = 0;
    explicit CCallBackCommunication(ERROR_CALLBACK callback) : callback_(callback) {}
    int Notify(int code, const wchar_t* message, const wchar_t* context, ERROR_PARAM param,
               const SYSTEMTIME* time) override;
    int Matches(int kind, std::uintptr_t argument) const override;

private:
    ERROR_CALLBACK callback_;
};

class NIMBREL_API CBlankCommunication final : public CCommunication {
public:
    static constexpr int kKind = 2;
    int Notify(int, const wchar_t*, const wchar_t*, ERROR_PARAM, const SYSTEMTIME*) override { return 0; }
    int Matches(int kind, std::uintptr_t) const override { return kind == kKind; }
};

// One queued report. Plain data, copied whole through the report queue.
struct ERROR_REPORT {
    CError* error;
    wchar_t* context;  // heap copies, freed by the dispatcher
    wchar_t* extra;
    ERROR_PARAM param;
    SYSTEMTIME time;
    int code;
    ERROR_TYPE type;
};

class NIMBREL_API CErrorManager {
public:
    CErrorManager();
    ~CErrorManager();
    CErrorManager(const CErrorManager&) = delete;
    CErrorManager& operator=(const CErrorManager&) = delete;

    bool NewError(int code, const CString& text);
    COMMUNICATION_HANDLE NewCommunication(int kind, std::uintptr_t argument);
    int AddCommunication(int code, COMMUNICATION_HANDLE communication, ERROR_TYPE type);
    void RaiseError(int code, const wchar_t* context, ERROR_PARAM param, const wchar_t* extra, ERROR_TYPE type);
    void PostError(int code, const wchar_t* context, ERROR_PARAM param, const wchar_t* extra, ERROR_TYPE type);

    static CErrorManager& Instance();

private:
    using Key = std::pair<int, int>;  // code, type: ordered as signed numbers

    CError* Resolve(int code, ERROR_TYPE type) const;
    void Deliver(CError* error, int reportedCode, const wchar_t* context, ERROR_PARAM param, const wchar_t* extra,
                 const SYSTEMTIME& time) const;
    static DWORD DispatcherThread(void* manager);
    void Dispatch();
    void DiscardQueued();

    // Registration normally happens before the workers run, but nothing forbids a host from
    // adding later; readers copy what they need under the shared lock.
    mutable std::shared_mutex tableLock_;
    std::map<Key, CError*> table_;
    std::vector<CCommunication*> communications_;

    HANDLE stopEvent_ = nullptr;
    HANDLE queueRead_ = nullptr;
    HANDLE queueWrite_ = nullptr;
    HANDLE dispatcher_ = nullptr;
    // Held by the dispatcher for each delivery; unloading takes it to stop deliveries for good.
    std::mutex deliveryLock_;
    bool unloading_ = false;
};

// The catch-all entry, key (0, ERROR_TYPE_UNKNOWN).
extern NIMBREL_API CError* g_pCatchAllError;

NIMBREL_API bool NewError(int code, const wchar_t* text);
NIMBREL_API COMMUNICATION_HANDLE NewCallBack(ERROR_CALLBACK callback);
NIMBREL_API COMMUNICATION_HANDLE NewBlank();
NIMBREL_API int AddCommunication(int code, COMMUNICATION_HANDLE communication, ERROR_TYPE type);

NIMBREL_API void RaiseError(int code, const wchar_t* context, ERROR_PARAM param = 0, const wchar_t* extra = nullptr,
                            ERROR_TYPE type = ERROR_TYPE_ERROR);
NIMBREL_API void PostError(int code, const wchar_t* context, ERROR_PARAM param = 0, const wchar_t* extra = nullptr,
                           ERROR_TYPE type = ERROR_TYPE_ERROR);
