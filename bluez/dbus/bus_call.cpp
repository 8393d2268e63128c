#include "bluez/dbus/bus_call.h"

#include <gio/gio.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace bluez {
namespace {

// How long a waiting caller gives the loop beyond the call's own time-out.
constexpr unsigned kLoopSlackMs = 2000;

// A peer's error text is shown to the user: one line of it, and not all of a long one.
constexpr std::size_t kMaxErrorText = 200;

std::string FirstLine(const char* text) {
    std::string line(text ? text : "");
    line = line.substr(0, line.find('\n'));
    if (line.size() > kMaxErrorText) line = line.substr(0, kMaxErrorText) + "...";
    return line;
}

struct PendingCall {
    std::function<void(const CallResult&, GVariant*)> done;
};

void CallFinished(GObject* source, GAsyncResult* async, gpointer data) {
    std::unique_ptr<PendingCall> pending(static_cast<PendingCall*>(data));
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), async, &error);
    CallResult result;
    if (reply) {
        result.ok = true;
    } else {
        result.timedOut = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT);
        if (gchar* name = g_dbus_error_get_remote_error(error)) {
            result.errorName = name;
            g_free(name);
            g_dbus_error_strip_remote_error(error);
        } else if (result.timedOut) {
            result.errorName = "org.freedesktop.DBus.Error.NoReply";
        } else {
            result.errorName = "org.freedesktop.DBus.Error.Failed";
        }
        result.errorMessage = FirstLine(error->message);
        g_error_free(error);
    }
    pending->done(result, reply);
    if (reply) g_variant_unref(reply);
}

}  // namespace

std::string CallResult::Describe() const {
    if (ok) return "ok";
    return errorMessage.empty() ? errorName : errorName + " (" + errorMessage + ")";
}

void StartCall(GDBusConnection* connection, const CallSpec& callSpec, GVariant* parameters,
               std::function<void(const CallResult&, GVariant* reply)> done) {
    if (!connection) {
        if (parameters) g_variant_unref(g_variant_ref_sink(parameters));
        CallResult result;
        result.errorName = "org.freedesktop.DBus.Error.Disconnected";
        result.errorMessage = "not connected to the system bus";
        done(result, nullptr);
        return;
    }
    g_dbus_connection_call(connection, callSpec.destination.c_str(), callSpec.path.c_str(), callSpec.interface.c_str(),
                           callSpec.method.c_str(), parameters, nullptr, G_DBUS_CALL_FLAGS_NO_AUTO_START,
                           static_cast<gint>(callSpec.timeoutMs), nullptr, CallFinished, new PendingCall{std::move(done)});
}

CallResult CallAndWait(BusLoop& loop, std::function<GDBusConnection*()> connection, const CallSpec& callSpec,
                       std::function<GVariant*()> parameters, std::function<void(GVariant*)> onReply) {
    struct Shared {
        std::mutex mutex;
        std::condition_variable changed;
        bool finished = false;
        CallResult result;
        std::function<void(GVariant*)> onReply;
    };
    auto shared = std::make_shared<Shared>();
    shared->onReply = std::move(onReply);
    loop.Post([shared, callSpec, connection = std::move(connection), parameters = std::move(parameters)] {
        StartCall(connection(), callSpec, parameters ? parameters() : nullptr, [shared](const CallResult& result, GVariant* reply) {
            // The waiter may have given up; its values are then no longer read.
            std::lock_guard lock(shared->mutex);
            if (result.ok && reply && shared->onReply && !shared->finished) shared->onReply(reply);
            shared->result = result;
            shared->finished = true;
            shared->changed.notify_all();
        });
    });
    std::unique_lock lock(shared->mutex);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(callSpec.timeoutMs + kLoopSlackMs);
    if (!shared->changed.wait_until(lock, deadline, [&] { return shared->finished; })) {
        // The answer is no longer awaited: the reply handler holds the caller's values.
        shared->finished = true;
        CallResult result;
        result.timedOut = true;
        result.errorName = "org.freedesktop.DBus.Error.NoReply";
        result.errorMessage = "the D-Bus call did not end in time";
        return result;
    }
    return shared->result;
}

}  // namespace bluez
