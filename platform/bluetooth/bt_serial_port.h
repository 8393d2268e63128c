#pragma once
// One COM port of the Bluetooth serial driver: its index lock, its pseudo-terminal with the
// link "<run-time folder>/COMn" to it, and the RFCOMM connection its open handles share. The
// connection lives while a handle with data access is open; one that broke is replaced by the
// next such open, and every open handle then uses the new one.
#include <filesystem>
#include <memory>
#include <mutex>

#include "platform/bluetooth/bt_backend.h"
#include "platform/bluetooth/bt_port_params.h"
#include "platform/bluetooth/bt_serial_connection.h"
#include "platform/kernel/file_lock.h"
#include "platform/kernel/pty.h"

namespace bth {

class SerialPort {
public:
    // Takes index `index` for this process and makes its terminal and link. ERROR_ALREADY_EXISTS
    // when another registration (of any process) holds the index.
    static DWORD Create(std::shared_ptr<Backend> backend, DWORD index, const PORTEMUPortParams& record,
                        std::shared_ptr<SerialPort>* port);
    ~SerialPort() { Close(); }

    // A handle with data access opens: it uses the live connection, or a new link (a client's
    // to the remote service, a server's listening one) when there is none or it broke. Each
    // success is undone by one Detach.
    DWORD Attach();
    // Such a handle closes; the last one stops the connection.
    void Detach();
    // The RFCOMM channel of the live connection; false when there is none.
    bool Channel(std::uint8_t* channel);

    // Stops the connection, removes the link and releases the terminal and the index.
    // Handles still open then fail their requests.
    void Close();

    // Where a serial program opens the port.
    const std::filesystem::path& linkPath() const { return linkPath_; }

private:
    SerialPort(std::shared_ptr<Backend> backend, const PORTEMUPortParams& record)
        : backend_(std::move(backend)), record_(record) {}
    DWORD Connect(SerialSink* sink, std::unique_ptr<SerialLink>* link);

    const std::shared_ptr<Backend> backend_;
    const PORTEMUPortParams record_;
    std::filesystem::path linkPath_;

    std::mutex mutex_;  // everything below
    std::unique_ptr<platform::FileLock> lock_;
    std::unique_ptr<platform::Pty> pty_;
    std::unique_ptr<SerialConnection> current_;
    int users_ = 0;  // open handles with data access
    bool closed_ = false;
};

}  // namespace bth
