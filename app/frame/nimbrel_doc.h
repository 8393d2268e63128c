#pragma once
// The document: owns the engine's one local device and the local serial-port server it hands
// to it, and switches the engine on and off together with the program's notification and
// error receivers.
#include <QCoreApplication>
#include <QString>
#include <memory>

class CDeviceLocal;
class CMainFrame;
class FileReceiver;

class CNimbrelDoc {
    Q_DECLARE_TR_FUNCTIONS(CNimbrelDoc)

public:
    CNimbrelDoc();
    ~CNimbrelDoc();  // deletes the local device (its threads end first)
    CNimbrelDoc(const CNimbrelDoc&) = delete;
    CNimbrelDoc& operator=(const CNimbrelDoc&) = delete;

    // Creates the local device and its serial-port server, then activates the engine with
    // `frame` as the receiver of notifications and error boxes. False (and no local device)
    // when activation fails.
    bool OnNewDocument(CMainFrame* frame);

    CDeviceLocal* GetDeviceLocal() const { return m_pDeviceLocal.get(); }
    // Why the last OnNewDocument could not switch the engine on: the engine's reports of that
    // attempt, one a line, or a general text when it reported none.
    QString StartFailure() const { return m_startFailure; }

    // On: error table and receivers, Activate(TRUE), the window's engine events,
    // the local services, the OBEX servers. Off: the OBEX servers and the engine events go first,
    // then Activate(FALSE). Non-zero on success; 0 without a local device.
    int ActivateEngine(bool activate);

private:
    std::unique_ptr<CDeviceLocal> m_pDeviceLocal;
    std::shared_ptr<FileReceiver> m_receiver;  // while the engine is on
    CMainFrame* m_frame = nullptr;
    QString m_startFailure;
};
