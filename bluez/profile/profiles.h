#pragma once
// Our client profiles (org.bluez.Profile1 under /org/nimbrel/profile), one per service class
// we connect to: serial port, dial-up networking, OBEX object push and file transfer. They are
// registered each time bluetoothd attaches; Device1.ConnectProfile then hands the connected
// RFCOMM socket to NewConnection, where the connect waiting for it takes it.
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "bluez/dbus/bluez_connection.h"
#include "bluez/profile/socket_link.h"
#include "platform/bluetooth/sdp_uuid.h"

typedef struct _GDBusMethodInvocation GDBusMethodInvocation;

namespace bluez {

class Profiles {
public:
    explicit Profiles(BlueZConnection& connection);
    // Lets go of every connection still waiting; call before the connection closes.
    void Close();

    // The profile's UUID ("00001101-0000-1000-8000-00805f9b34fb") for a class we connect to,
    // or empty.
    static std::string ProfileUuid(const sdp::Uuid& serviceClass);

    // Connects to the device's service of this class and waits (bounded) for the socket:
    // 0 with the link, or the error.
    DWORD Connect(const std::string& devicePath, const sdp::Uuid& serviceClass, bth::SerialSink* sink,
                  std::unique_ptr<bth::SerialLink>* link);

    // On the loop's thread, from the D-Bus method handler.
    void HandleCall(const std::string& profilePath, const char* method, GVariant* parameters,
                    GDBusMethodInvocation* invocation);

private:
    struct Waiter {
        std::string uuid;
        std::string devicePath;
        int fd = -1;
    };
    struct Registration {
        std::string uuid;
        std::string name;
        std::string path;
        unsigned object = 0;           // the exported object (loop's thread)
        std::string problem;           // why bluetoothd refused it, when it did
    };

    void Attached(GDBusConnection* connection);
    Registration* ByPath(const std::string& path);

    BlueZConnection& connection_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Registration> registrations_;
    std::vector<std::shared_ptr<Waiter>> waiters_;
    // Live links by device path, so that a RequestDisconnection breaks them; a link takes
    // itself out (under the lock) before it closes.
    std::multimap<std::string, SocketLink*> links_;
    friend class ProfileLink;
};

}  // namespace bluez
