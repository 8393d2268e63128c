#pragma once
// The program's side of our OBEX servers: while the engine is on they receive files into the
// Object Push folder and share the File Transfer folder with paired devices; a device that is
// not paired is asked about, and each received file is announced in the window's status bar
// and in the notification area.
#include <QCoreApplication>
#include <QPointer>
#include <memory>

#include "platform/obex/server/server_host.h"

class CMainFrame;

class FileReceiver final : public obex::ServerHost, public std::enable_shared_from_this<FileReceiver> {
    Q_DECLARE_TR_FUNCTIONS(FileReceiver)

public:
    explicit FileReceiver(CMainFrame* frame);

    // Starts the servers with this receiver deciding; false (nothing runs) when the radio has
    // no OBEX server service or nothing could listen.
    static bool Start(const std::shared_ptr<FileReceiver>& receiver);
    // Ends them and every connection; nothing reaches the receiver afterwards.
    static void Stop();

    // On a server thread.
    bool Allow(const obex::Offer& offer) override;
    void Received(const obex::Peer& peer, const std::filesystem::path& path, std::uint64_t size) override;
    void Refused(const obex::Peer& peer, const std::wstring& name, const std::string& reason) override;

private:
    // On the user-interface thread: the device's name as the browser shows it, else its address.
    QString DeviceName(const obex::Peer& peer) const;

    const QPointer<CMainFrame> m_frame;
};
