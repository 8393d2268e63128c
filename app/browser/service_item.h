#pragma once
// A service of a device level: its name is the engine service's name.
#include "app/browser/browser_item.h"

class CService;

class CServiceItem : public CBrowserItem {
public:
    CServiceItem(CNimbrelView* view, Kind kind, CService* service);
    ~CServiceItem() override;

    CService* GetService() const { return m_service; }

    QString GetName() const override;
    const void* GetEngineObject() const override { return m_service; }
    int GetOverlay() const override { return 0; }
    unsigned int GetClass() const override { return 0; }
    int GetComPort() const override;

private:
    CService* m_service;
};
