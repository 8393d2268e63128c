#pragma once
// The application object: start-up (one instance per user, the splash, the document, the
// main window and its view) and what is left to tear down when the event loop ends.
#include <QCoreApplication>
#include <QString>
#include <memory>

class CMainFrame;
class CNimbrelDoc;

class CNimbrelApp {
    Q_DECLARE_TR_FUNCTIONS(CNimbrelApp)

public:
    enum StartResult {
        kStarted,        // the program runs; enter the event loop
        kOtherInstance,  // another instance runs and is now in front: end at once, successfully
        kFailed,         // the engine could not be switched on: the reason was shown in a box (or
                         // the user left Bluetooth switched off)
    };

    CNimbrelApp();
    ~CNimbrelApp();  // the engine off (when "Exit" did not already), window, then document
    CNimbrelApp(const CNimbrelApp&) = delete;
    CNimbrelApp& operator=(const CNimbrelApp&) = delete;

    StartResult InitInstance();

    CMainFrame* GetMainFrame() const { return m_frame.get(); }
    CNimbrelDoc* GetDocument() const { return m_doc.get(); }
    // After kFailed: why the engine could not be switched on.
    QString StartFailure() const { return m_startFailure; }

private:
    std::unique_ptr<CNimbrelDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    QString m_startFailure;
};
