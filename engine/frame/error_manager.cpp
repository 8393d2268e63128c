#include "engine/frame/error_manager.h"

#include <cwchar>

#include "platform/kernel/msgqueue.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"
#include "platform/kernel/time.h"

CError* g_pCatchAllError = nullptr;

namespace {

wchar_t* CopyText(const wchar_t* text) {
    if (!text) return nullptr;
    size_t length = std::wcslen(text);
    auto* copy = new wchar_t[length + 1];
    std::wmemcpy(copy, text, length + 1);
    return copy;
}

// Loading the library builds the one manager of the process; unloading destroys it.
CErrorManager g_errorManager;

}  // namespace

int CCallBackCommunication::Notify(int code, const wchar_t* message, const wchar_t* context, ERROR_PARAM param,
                                   const SYSTEMTIME*) {
    return callback_ ? callback_(code, message, context, reinterpret_cast<void*>(param)) : 0;
}

int CCallBackCommunication::Matches(int kind, std::uintptr_t argument) const {
    return kind == kKind && argument == reinterpret_cast<std::uintptr_t>(callback_);
}

CErrorManager& CErrorManager::Instance() { return g_errorManager; }

CErrorManager::CErrorManager() {
    stopEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stopEvent_) {
        MSGQUEUEOPTIONS options{sizeof(MSGQUEUEOPTIONS), MSGQUEUE_NOPRECOMMIT, 0, sizeof(ERROR_REPORT), TRUE};
        queueRead_ = CreateMsgQueue(nullptr, &options);
        options.bReadAccess = FALSE;
        queueWrite_ = queueRead_ ? OpenMsgQueue(GetCurrentProcess(), queueRead_, &options) : nullptr;
        dispatcher_ = CreateThread(nullptr, 0, &CErrorManager::DispatcherThread, this, CREATE_SUSPENDED, nullptr);
        if (dispatcher_) {
            // Reports are delivered ahead of the workers that post them.
            SetThreadPriority(dispatcher_, THREAD_PRIORITY_ABOVE_NORMAL);
            ResumeThread(dispatcher_);
        } else {
            CloseHandle(stopEvent_);
            stopEvent_ = nullptr;
        }
    }
    table_[{-1, ERROR_TYPE_ERROR}] = new CError(-1, ERROR_TYPE_ERROR, CString());
    table_[{0, ERROR_TYPE_UNKNOWN}] = new CError(0, ERROR_TYPE_UNKNOWN, CString());
    g_pCatchAllError = table_[{0, ERROR_TYPE_UNKNOWN}];
}

CErrorManager::~CErrorManager() {
    {
        // Waits for a delivery in progress; none starts after this.
        std::lock_guard lock(deliveryLock_);
        unloading_ = true;
    }
    if (dispatcher_ && stopEvent_) {
        SetEvent(stopEvent_);
        WaitForSingleObject(dispatcher_, INFINITE);
    }
    DiscardQueued();
    if (dispatcher_) CloseHandle(dispatcher_);
    if (stopEvent_) CloseHandle(stopEvent_);
    if (queueWrite_) CloseMsgQueue(queueWrite_);
    if (queueRead_) CloseHandle(queueRead_);
    g_pCatchAllError = nullptr;
    for (auto& [key, error] : table_) delete error;
    for (auto* communication : communications_) delete communication;
}

bool CErrorManager::NewError(int code, const CString& text) {
    if (code == 0 || code == -1) return false;
    std::unique_lock lock(tableLock_);
    auto [it, added] = table_.try_emplace(Key{code, ERROR_TYPE_ERROR}, nullptr);
    if (added) it->second = new CError(code, ERROR_TYPE_ERROR, text);
    return added;
}

COMMUNICATION_HANDLE CErrorManager::NewCommunication(int kind, std::uintptr_t argument) {
    std::unique_lock lock(tableLock_);
    for (auto* communication : communications_)
        if (communication->Matches(kind, argument)) return reinterpret_cast<COMMUNICATION_HANDLE>(communication);
    CCommunication* made = nullptr;
    if (kind == CCallBackCommunication::kKind)
        made = new CCallBackCommunication(reinterpret_cast<ERROR_CALLBACK>(argument));
    else if (kind == CBlankCommunication::kKind)
        made = new CBlankCommunication;
    if (!made) return 0;
    if (!made->Init()) {
        delete made;
        return 0;
    }
    communications_.push_back(made);
    return reinterpret_cast<COMMUNICATION_HANDLE>(made);
}

int CErrorManager::AddCommunication(int code, COMMUNICATION_HANDLE handle, ERROR_TYPE type) {
    std::unique_lock lock(tableLock_);
    CCommunication* communication = nullptr;
    for (auto* candidate : communications_)
        if (reinterpret_cast<COMMUNICATION_HANDLE>(candidate) == handle) communication = candidate;
    auto entry = table_.find(Key{code, type});
    if (!communication || entry == table_.end()) return 0;
    auto& attached = entry->second->communications;
    for (auto* present : attached)
        if (present == communication) return 0;
    attached.push_back(communication);
    return 0;
}

CError* CErrorManager::Resolve(int code, ERROR_TYPE type) const {
    std::shared_lock lock(tableLock_);
    auto it = table_.find(Key{code, type});
    if (it == table_.end()) it = table_.find(Key{0, ERROR_TYPE_UNKNOWN});
    return it == table_.end() ? nullptr : it->second;
}

void CErrorManager::Deliver(CError* error, int reportedCode, const wchar_t* context, ERROR_PARAM param,
                            const wchar_t* extra, const SYSTEMTIME& time) const {
    CString message;
    const wchar_t* text = nullptr;
    if (error->type == ERROR_TYPE_UNKNOWN) {
        message.Format(L"Unknown error code 0x%08x (%d)", static_cast<unsigned>(reportedCode),
                       static_cast<unsigned>(reportedCode) & 0xFFFFu);
        text = message.GetString();
    } else if (!error->text.IsEmpty()) {
        text = extra ? extra : error->text.GetString();
    }
    std::vector<CCommunication*> receivers;
    {
        std::shared_lock lock(tableLock_);
        receivers = error->communications;
        if (error != g_pCatchAllError && receivers.empty() && g_pCatchAllError)
            receivers = g_pCatchAllError->communications;
    }
    for (auto* receiver : receivers) receiver->Notify(error->code, text, context, param, &time);
}

void CErrorManager::RaiseError(int code, const wchar_t* context, ERROR_PARAM param, const wchar_t* extra,
                               ERROR_TYPE type) {
    CError* error = Resolve(code, type);
    if (!error) return;
    SYSTEMTIME time;
    GetLocalTime(&time);
    Deliver(error, code, context ? context : L"", param, extra, time);
}

void CErrorManager::PostError(int code, const wchar_t* context, ERROR_PARAM param, const wchar_t* extra,
                              ERROR_TYPE type) {
    CError* error = Resolve(code, type);
    if (!error || !queueWrite_) return;
    ERROR_REPORT report{};
    report.error = error;
    report.context = CopyText(context ? context : L"");
    report.extra = CopyText(extra);
    report.param = param;
    GetLocalTime(&report.time);
    report.code = code;
    report.type = type;
    if (!WriteMsgQueue(queueWrite_, &report, sizeof report, INFINITE, 0)) {
        delete[] report.context;  // nobody will read it
        delete[] report.extra;
    }
}

DWORD CErrorManager::DispatcherThread(void* manager) {
    static_cast<CErrorManager*>(manager)->Dispatch();
    return 0;
}

void CErrorManager::Dispatch() {
    HANDLE handles[2] = {queueRead_, stopEvent_};
    for (;;) {
        if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0) return;
        ERROR_REPORT report{};
        DWORD read = 0, flags = 0;
        if (!ReadMsgQueue(queueRead_, &report, sizeof report, &read, 0, &flags) || read != sizeof report) continue;
        {
            std::lock_guard lock(deliveryLock_);
            if (!unloading_) Deliver(report.error, report.code, report.context, report.param, report.extra, report.time);
        }
        delete[] report.context;
        delete[] report.extra;
    }
}

void CErrorManager::DiscardQueued() {
    if (!queueRead_) return;
    ERROR_REPORT report{};
    DWORD read = 0, flags = 0;
    while (ReadMsgQueue(queueRead_, &report, sizeof report, &read, 0, &flags)) {
        delete[] report.context;
        delete[] report.extra;
    }
}

bool NewError(int code, const wchar_t* text) { return CErrorManager::Instance().NewError(code, CString(text)); }

COMMUNICATION_HANDLE NewCallBack(ERROR_CALLBACK callback) {
    return CErrorManager::Instance().NewCommunication(CCallBackCommunication::kKind,
                                                      reinterpret_cast<std::uintptr_t>(callback));
}

COMMUNICATION_HANDLE NewBlank() { return CErrorManager::Instance().NewCommunication(CBlankCommunication::kKind, 0); }

int AddCommunication(int code, COMMUNICATION_HANDLE communication, ERROR_TYPE type) {
    return CErrorManager::Instance().AddCommunication(code, communication, type);
}

void RaiseError(int code, const wchar_t* context, ERROR_PARAM param, const wchar_t* extra, ERROR_TYPE type) {
    CErrorManager::Instance().RaiseError(code, context, param, extra, type);
}

void PostError(int code, const wchar_t* context, ERROR_PARAM param, const wchar_t* extra, ERROR_TYPE type) {
    CErrorManager::Instance().PostError(code, context, param, extra, type);
}
