#pragma once
// Follows one file transfer (object push, fetching or adding a remote file): what goes where,
// a progress bar, how much is done, the speed and the time left, and "Abort". The engine's transfer thread reports through TransferProgress, which only
// posts the value to the user-interface thread; a dialog that is gone by then is skipped.
#include <QDialog>
#include <QElapsedTimer>

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

    // What the next transfer moves: "Sending “a.txt” to Phone" and its size in bytes (0: unknown).
    void Describe(const QString& what, qint64 size);
    // Describes sending the local file `path` to `device`.
    void DescribeSending(const QString& path, const QString& device);

    // A progress value (250 start, 251 end, 254 unknown size, else a percentage; -1 failed).
    void OnTransferProgress(int value);
    void OnAbort();
    // The button: "Abort" while a transfer may run, "Close" once it failed.
    QPushButton* Button() const { return m_button; }
    QString Message() const;
    // "1.0 MB of 4.0 MB, 512 KB/s, 6 s left" (only what is known so far).
    QString Detail() const;

    bool Running() const { return m_running; }
    int Position() const;
    bool Failed() const { return m_failed; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    CBrowserItem* m_owner;
    CMainFrame* m_frame;
    QProgressBar* m_progress = nullptr;
    void showDetail(int percent);

    QLabel* m_what = nullptr;
    QLabel* m_detail = nullptr;
    QLabel* m_message = nullptr;
    qint64 m_size = 0;
    QElapsedTimer m_clock;  // since the transfer started
    QPushButton* m_button = nullptr;
    long m_context;
    bool m_running = false;
    bool m_failed = false;
    bool m_aborted = false;  // by the user, since the dialog was shown
};
