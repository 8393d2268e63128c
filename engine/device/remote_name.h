#pragma once
#include "platform/mfc/cstring.h"

// A name announced by a remote device, made safe to show: at most 248 bytes in the radio's
// encoding (UTF-8), cut at a character boundary, control characters replaced by spaces.
CString RemoteDeviceName(const wchar_t* raw);
