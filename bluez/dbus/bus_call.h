#pragma once
// D-Bus method calls with an end: every call carries a time-out, and a caller on another
// thread waits for its answer no longer than that (and a little slack for the loop).
#include <functional>
#include <string>

#include "bluez/dbus/bus_loop.h"

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GVariant GVariant;

namespace bluez {

inline constexpr const char* kBlueZ = "org.bluez";

struct CallResult {
    bool ok = false;
    bool timedOut = false;    // no answer within the time-out
    std::string errorName;    // the D-Bus error name, e.g. "org.bluez.Error.NotReady"
    std::string errorMessage;
    // "org.bluez.Error.NotReady (Resource Not Ready)", for reports.
    std::string Describe() const;
};

struct CallSpec {
    std::string destination = kBlueZ;
    std::string path;
    std::string interface;
    std::string method;
    unsigned timeoutMs = 5000;
};

// On the loop's thread: sends the call; `done` runs there with the reply (null unless
// result.ok) when it comes, fails or times out. `parameters` is consumed (it may be floating).
void StartCall(GDBusConnection* connection, const CallSpec& callSpec, GVariant* parameters,
               std::function<void(const CallResult&, GVariant* reply)> done);

// On any other thread: makes the parameters and sends the call on the loop's thread (through
// the connection `connection` returns there, null when there is none), and waits for the end.
// `onReply` reads the reply on the loop's thread into the caller's own values.
CallResult CallAndWait(BusLoop& loop, std::function<GDBusConnection*()> connection, const CallSpec& callSpec,
                       std::function<GVariant*()> parameters, std::function<void(GVariant*)> onReply = {});

}  // namespace bluez
