#pragma once
// Follows one file transfer (object push, fetching or adding a remote file): a progress bar
// and "Abort". The engine's transfer thread reports through TransferProgress, which only
// posts the value to the user-interface thread; a dialog that is gone by then is skipped.
#include <QDialog>

class CBrowserItem;
class CMainFrame;
class QLabel;
class QProgressBar;
class QPushButton;

class CTransferDlg : public QDialog {
    Q_OBJECT
public:
    // `owner` may be null: Abort then goes to the main frame's active view.
    CTransferDlg(CBrowserItem* owner, CMainFrame* parent);
    ~CTransferDlg() override;

    // The context to pass with TransferProgress to the engine.
    long Context() const { return m_context; }
    // The engine's TRANSFER_PROGRESS_CALLBACK: any thread.
    static void TransferProgress(int value, long context);

    // A progress value (250 start, 251 end, 254 unknown size, else a percentage; -1 failed).
    void OnTransferProgress(int value);
    void OnAbort();
    // The button: "Abort" while a transfer may run, "Close" once it failed.
    QPushButton* Button() const { return m_button; }
    QString Message() const;

    bool Running() const { return m_running; }
    int Position() const;
    bool Failed() const { return m_failed; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    CBrowserItem* m_owner;
    CMainFrame* m_frame;
    QProgressBar* m_progress = nullptr;
    QLabel* m_message = nullptr;
    QPushButton* m_button = nullptr;
    long m_context;
    bool m_running = false;
    bool m_failed = false;
    bool m_aborted = false;  // by the user, since the dialog was shown
};
