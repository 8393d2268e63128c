#include "bluez/dbus/bluez_connection.h"

#include <gio/gio.h>

#include <future>
#include <memory>

namespace bluez {
namespace {

constexpr unsigned kLoadTimeoutMs = 5000;

std::vector<std::string> StringArray(GVariant* array) {
    std::vector<std::string> strings;
    GVariantIter iter;
    g_variant_iter_init(&iter, array);
    const gchar* text = nullptr;
    while (g_variant_iter_next(&iter, "&s", &text)) strings.emplace_back(text);
    return strings;
}

}  // namespace

BlueZConnection::~BlueZConnection() { Close(); }

void BlueZConnection::Close() {
    if (closeAsked_.exchange(true)) return;
    auto done = std::make_shared<std::promise<void>>();
    auto finished = done->get_future();
    loop_.Post([this, done] {
        if (closed_) {
            done->set_value();
            return;
        }
        closed_ = true;
        ++loads_;  // a load still under way is dropped
        if (nameWatch_) g_bus_unwatch_name(nameWatch_);
        nameWatch_ = 0;
        if (connection_) {
            for (unsigned id : subscriptions_) g_dbus_connection_signal_unsubscribe(connection_, id);
            subscriptions_.clear();
            g_object_unref(connection_);
            connection_ = nullptr;
        }
        done->set_value();
    });
    finished.wait();
}

void BlueZConnection::OnAttached(std::function<void(GDBusConnection*)> listener) {
    attachListeners_.push_back(std::move(listener));
}

bool BlueZConnection::Open(unsigned timeoutMs, std::string* error) {
    loop_.Post([this] {
        GError* failure = nullptr;
        gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SYSTEM, nullptr, &failure);
        if (!address) {
            EndOpen(false, std::string("no system bus: ") + failure->message);
            g_error_free(failure);
            return;
        }
        g_dbus_connection_new_for_address(
            address,
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr,
            [](GObject*, GAsyncResult* result, gpointer self) {
                GError* failure = nullptr;
                GDBusConnection* connection = g_dbus_connection_new_for_address_finish(result, &failure);
                auto* me = static_cast<BlueZConnection*>(self);
                if (!connection) {
                    me->EndOpen(false, std::string("cannot reach the system bus: ") + failure->message);
                    g_error_free(failure);
                    return;
                }
                me->Connected(connection);
            },
            this);
        g_free(address);
    });
    std::unique_lock lock(openMutex_);
    const bool ended = openChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return openEnded_; });
    if (!ended) {
        *error = "bluetoothd did not answer on the system bus within " + std::to_string(timeoutMs / 1000) + " s";
        return false;
    }
    if (!loaded_) *error = openError_;
    return loaded_;
}

void BlueZConnection::EndOpen(bool loaded, const std::string& error) {
    std::lock_guard lock(openMutex_);
    if (openEnded_) return;
    openEnded_ = true;
    loaded_ = loaded;
    openError_ = error;
    openChanged_.notify_all();
}

void BlueZConnection::Connected(GDBusConnection* connection) {
    connection_ = connection;
    g_dbus_connection_set_exit_on_close(connection_, FALSE);
    Subscribe();
    nameWatch_ = g_bus_watch_name_on_connection(connection_, kBlueZ, G_BUS_NAME_WATCHER_FLAGS_NONE, NameAppeared,
                                                NameVanished, this, nullptr);
}

void BlueZConnection::Subscribe() {
    subscriptions_.push_back(g_dbus_connection_signal_subscribe(
        connection_, kBlueZ, "org.freedesktop.DBus.ObjectManager", nullptr, "/", nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        Signal, this, nullptr));
    subscriptions_.push_back(g_dbus_connection_signal_subscribe(
        connection_, kBlueZ, "org.freedesktop.DBus.Properties", "PropertiesChanged", nullptr, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, Signal, this, nullptr));
}

void BlueZConnection::NameAppeared(GDBusConnection*, const char*, const char*, void* self) {
    static_cast<BlueZConnection*>(self)->Load();
}

void BlueZConnection::NameVanished(GDBusConnection*, const char*, void* self) {
    auto* me = static_cast<BlueZConnection*>(self);
    ++me->loads_;
    me->cache_.Reset();
    me->EndOpen(false, "bluetoothd (org.bluez) is not running on the system bus");
}

void BlueZConnection::Load() {
    const std::uint64_t load = ++loads_;
    CallSpec callSpec;
    callSpec.path = "/";
    callSpec.interface = "org.freedesktop.DBus.ObjectManager";
    callSpec.method = "GetManagedObjects";
    callSpec.timeoutMs = kLoadTimeoutMs;
    StartCall(connection_, callSpec, nullptr, [this, load](const CallResult& result, GVariant* reply) {
        if (load != loads_) return;
        if (!result.ok) {
            EndOpen(false, "bluetoothd did not list its objects: " + result.Describe());
            return;
        }
        cache_.Load(reply);
        for (auto& listener : attachListeners_) listener(connection_);
        if (cache_.Adapter()) EndOpen(true, {});
        else EndOpen(false, "bluetoothd has no Bluetooth adapter");
    });
}

void BlueZConnection::Signal(GDBusConnection*, const char*, const char* path, const char* interface,
                             const char* signal, GVariant* parameters, void* self) {
    auto* me = static_cast<BlueZConnection*>(self);
    const std::string_view name(signal);
    if (std::string_view(interface) == "org.freedesktop.DBus.ObjectManager") {
        if (name == "InterfacesAdded" && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(oa{sa{sv}})"))) {
            const gchar* object = nullptr;
            GVariant* interfaces = nullptr;
            g_variant_get(parameters, "(&o@a{sa{sv}})", &object, &interfaces);
            me->cache_.AddInterfaces(object, interfaces);
            g_variant_unref(interfaces);
        } else if (name == "InterfacesRemoved" && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(oas)"))) {
            const gchar* object = nullptr;
            GVariant* interfaces = nullptr;
            g_variant_get(parameters, "(&o@as)", &object, &interfaces);
            me->cache_.RemoveInterfaces(object, StringArray(interfaces));
            g_variant_unref(interfaces);
        }
        return;
    }
    if (name == "PropertiesChanged" && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sa{sv}as)"))) {
        const gchar* changedInterface = nullptr;
        GVariant* changed = nullptr;
        GVariant* invalidated = nullptr;
        g_variant_get(parameters, "(&s@a{sv}@as)", &changedInterface, &changed, &invalidated);
        me->cache_.ChangeProperties(path, changedInterface, changed, StringArray(invalidated));
        g_variant_unref(changed);
        g_variant_unref(invalidated);
    }
}

CallResult BlueZConnection::Call(const CallSpec& callSpec, std::function<GVariant*()> parameters,
                                 std::function<void(GVariant*)> onReply) {
    return CallAndWait(loop_, [this] { return connection_; }, callSpec, std::move(parameters), std::move(onReply));
}

CallResult BlueZConnection::SetProperty(const std::string& path, const char* interface, const char* name,
                                        std::function<GVariant*()> value, unsigned timeoutMs) {
    CallSpec callSpec;
    callSpec.path = path;
    callSpec.interface = "org.freedesktop.DBus.Properties";
    callSpec.method = "Set";
    callSpec.timeoutMs = timeoutMs;
    std::string iface(interface), property(name);
    return Call(callSpec, [iface, property, value = std::move(value)] {
        return g_variant_new("(ssv)", iface.c_str(), property.c_str(), value());
    });
}

}  // namespace bluez
