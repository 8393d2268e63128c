#pragma once
// The main window's status bar: a status text, a progress bar that runs against an estimated
// duration while an inquiry or a connection attempt is under way, and the name of the
// current remote device. A one-second timer drives the bar; OnTimer() is its tick.
#include <QStatusBar>
#include <QString>
#include <cstdint>

class QLabel;
class QProgressBar;
class QTimer;

class CProgressStatus : public QStatusBar {
    Q_OBJECT
public:
    // 0 idle, 1 inquiry, 2 connecting, 3 finishing (shows 100), 4 resetting (shows "Ready").
    enum Mode { kIdle = 0, kInquiry = 1, kConnecting = 2, kFinishing = 3, kResetting = 4 };

    static constexpr int kDefaultEstimate = 20;  // seconds
    static constexpr int kProgressPaneWidth = 100;
    static constexpr int kNamePaneWidth = 420;

    explicit CProgressStatus(QWidget* parent = nullptr);

    // Read the estimate from the registry and start counting.
    void StartInquiry();
    void StartConnecting();
    // Ends the current run: 100 for one tick first when at least two ticks passed or the
    // estimate was exceeded, then "Ready".
    void Stop();
    void SetDeviceName(const QString& text);

    // One tick of the timer.
    void OnTimer();

    Mode GetMode() const { return m_mode; }
    int Position() const;
    QString StatusText() const;
    QString DeviceName() const;
    bool TimerActive() const;

private:
    void start(Mode mode, const wchar_t* registryValue);

    QProgressBar* m_progress;
    QLabel* m_text;
    QLabel* m_name;
    QTimer* m_timer;
    Mode m_mode = kIdle;
    // Ticks still expected and the estimate; counted in unsigned 32-bit numbers, so an
    // exceeded estimate wraps the bar round to 0.
    std::uint32_t m_remaining = 0;
    std::uint32_t m_total = 0;
};
