#include "app/browser/service_item.h"

#include "app/browser/nimbrel_view.h"
#include "app/browser/qt_text.h"
#include "engine/service/service.h"

CServiceItem::CServiceItem(CNimbrelView* view, Kind kind, CService* service)
    : CBrowserItem(view, kind), m_service(service) {}

CServiceItem::~CServiceItem() { GetView()->ForgetItem(this); }

QString CServiceItem::GetName() const { return ToQString(m_service->GetName()); }

int CServiceItem::GetComPort() const { return static_cast<int>(m_service->GetComPort()); }
