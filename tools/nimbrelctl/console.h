#pragma once
// Shared pieces of the console host: output formatting and the engine's error receiver.
#include <string>

#include "platform/kernel/types.h"
#include "platform/mfc/cstring.h"

namespace ctl {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

std::string Address(BT_ADDR address);        // xx:xx:xx:xx:xx:xx, lower case
std::string ClassOfDevice(unsigned int cod);  // 0x%06x
std::string Text(const CString& text);        // UTF-8
std::string TimeOfDay();                      // HH:MM:SS.mmm, local time

// Attaches the console's receivers to the engine's error reports, as the program does:
// every report reaches standard error as "error CODE: MESSAGE (CONTEXT)".
void AttachErrorReceivers();

}  // namespace ctl
