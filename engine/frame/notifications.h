#pragma once
// Notifications: thirteen numbered events the engine raises towards its host, each delivered
// at once, on the thread that did the work, to the one callback registered for its code.
#include <cstdint>

#include "engine/frame/export.h"

constexpr int NOTIFY_INQUIRY_BEGIN = 1025;
constexpr int NOTIFY_INQUIRY_END = 1026;
constexpr int NOTIFY_DEVICE_ADDED = 1027;
constexpr int NOTIFY_SERVICE_ADDED = 1028;
constexpr int NOTIFY_PAIRING_CHANGED = 1029;
constexpr int NOTIFY_PIN_REQUEST = 1030;
constexpr int NOTIFY_CONNECTED = 1031;
constexpr int NOTIFY_DISCONNECTED = 1032;
constexpr int NOTIFY_FOLDER_CHANGED = 1033;
constexpr int NOTIFY_FOLDER_ITEM_DELETED = 1034;
constexpr int NOTIFY_CONNECTING = 1035;
constexpr int NOTIFY_CONNECT_FAILED = 1036;
constexpr int NOTIFY_OBEX_DISCONNECTED = 1037;

// A notification's value is 0 or an engine object (the device or service concerned), so it
// is as wide as a pointer; so is the user value the host registers with its callback.
using NOTIFY_VALUE = std::uintptr_t;
using NIMBRL_CALLBACK = int (*)(NOTIFY_VALUE value, NOTIFY_VALUE user);

// Stores the callback for a code from 1025 to 1037 and returns 1; any other code returns 0.
NIMBREL_API int NIMBRL_RegisterCallback(int code, NIMBRL_CALLBACK callback, NOTIFY_VALUE user);
NIMBREL_API int NIMBRL_UnregisterCallback(int code);

// Calls the code's callback on this thread and returns 1; 0 when there is none.
NIMBREL_API int FireNotification(int code, NOTIFY_VALUE value);
