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
#include "bluez/profile/server_link.h"
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

    // Offers our serial-port server: the serial-port profile is registered again for both
    // roles, on channel 2, and takes remote devices' connections. One server at a time
    // (ERROR_NO_MORE_ITEMS for a second). 0 with the link, or the error.
    DWORD Listen(bth::SerialSink* sink, std::unique_ptr<bth::SerialLink>* link);

    // Our OBEX servers: the profile of this class (Object Push or File Transfer) is registered
    // again for both roles, on a channel of its own, and each remote device that connects is
    // handed to `listener` until `listening` goes. ERROR_ALREADY_ASSIGNED, with `holder` saying
    // who and what to do, when another program (obexd) holds the profile.
    DWORD ListenObex(const sdp::Uuid& serviceClass, bth::IncomingLinks* listener,
                     std::unique_ptr<bth::Listening>* listening, std::string* holder);

    // The channel our serial-port server listens on, 0 while none listens.
    std::uint8_t ServerChannel();
    // The record bluetoothd is to publish for our server (XML), or its own standard one
    // (empty); registered anew while the server listens. 0, or the error.
    DWORD SetServerRecord(const std::string& xml);

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
        std::uint8_t serverChannel = 0;  // also our server's, on this channel
        std::string serverRecord;        // its ServiceRecord (XML), or bluetoothd's standard one
        ServerLink* server = nullptr;              // our serial-port server's link
        bth::IncomingLinks* obexListener = nullptr;  // or our OBEX server's listener
    };

    void Attached(GDBusConnection* connection);
    // On the loop's thread: sends the registration; `done` gets the outcome there.
    void Register(GDBusConnection* bus, const Registration& registration, std::function<void(const CallResult&)> done);
    // From the engine's thread: the registration is made anew (its roles changed).
    CallResult Reregister(const std::string& path);
    void CloseServer();
    // Takes the profile back for connections out only.
    void StopListening(const std::string& path);
    // On the loop's thread: a remote device connected to our OBEX server on `path`.
    bool HandOver(const std::string& path, const std::string& devicePath, int fd);
    Registration* ByPath(const std::string& path);

    BlueZConnection& connection_;
    // Held while an OBEX server's listener is called, and while one goes: taken before mutex_.
    std::mutex handOverMutex_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Registration> registrations_;
    std::vector<std::shared_ptr<Waiter>> waiters_;
    // Live links by device path, so that a RequestDisconnection breaks them; a link takes
    // itself out (under the lock) before it closes.
    std::multimap<std::string, SocketLink*> links_;
    friend class ProfileLink;
    friend class ObexListening;
};

}  // namespace bluez
