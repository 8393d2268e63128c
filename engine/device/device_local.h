#pragma once
// The engine's root object: the local radio. The host makes exactly one and reaches every
// other engine object through it.
#include <atomic>

#include "engine/device/device.h"
#include "engine/frame/export.h"

class NIMBREL_API CDeviceLocal : public CDevice {
public:
    CDeviceLocal();
    ~CDeviceLocal() override;

    // Switches the engine on (non-zero) or off; non-zero when the engine is then as asked.
    int Activate(int on);
    int GetActivated() const { return m_bActivated.load(); }

    void SetFindable(int findable);
    int GetFindable() const { return m_bFindable.load(); }
    void SetAuthenticate(int on);
    int GetAuthenticate() const { return m_bAuthenticate.load(); }

private:
    int activateOn();
    int activateOff();
    // Reads the hardware status until it runs, at most ten times a second apart; returns 0
    // when it runs, else the error to report.
    int waitForHardware();

    std::atomic<int> m_bActivated{0};
    std::atomic<int> m_bFindable{1};
    std::atomic<int> m_bAuthenticate{0};
};
