#include "console.h"

#include <sys/time.h>

#include <cstdio>
#include <ctime>

#include "engine/frame/error_manager.h"
#include "platform/bluetooth/bt_address.h"

namespace ctl {
namespace {

int PrintError(int code, const wchar_t* message, const wchar_t* context, void*) {
    std::string text = message ? Text(CString(message)) : "-";
    std::fprintf(stderr, "error %d: %s (%s)\n", code, text.c_str(), Text(CString(context)).c_str());
    return 0;
}

}  // namespace

std::string Address(BT_ADDR address) { return bth::FormatAddress(address); }

std::string ClassOfDevice(unsigned int cod) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06x", cod);
    return text;
}

std::string Text(const CString& text) { return text.ToUtf8(); }

std::string TimeOfDay() {
    timeval now{};
    gettimeofday(&now, nullptr);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03ld", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<long>(now.tv_usec / 1000));
    return text;
}

void AttachErrorReceivers() {
    // What an inquiry begun on a switched-off adapter fails with (WSAENETDOWN).
    NewError(static_cast<int>(WSAENETDOWN), L"The adapter is powered off: switch it on with 'nimbrelctl power on'.");
    COMMUNICATION_HANDLE callback = NewCallBack(&PrintError);
    AddCommunication(0, callback, ERROR_TYPE_UNKNOWN);
}

}  // namespace ctl
