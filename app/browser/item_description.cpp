#include "app/browser/item_description.h"

#include <QCoreApplication>
#include <QStringList>

#include "app/browser/browser_item.h"
#include "app/browser/device_class.h"
#include "app/browser/distant_device_item.h"
#include "app/browser/service_item.h"
#include "engine/service/service_local.h"

namespace item_description {
namespace {

struct ItemDescription {
    Q_DECLARE_TR_FUNCTIONS(ItemDescription)
};

QString YesNo(bool yes) { return yes ? ItemDescription::tr("yes") : ItemDescription::tr("no"); }

QStringList FactsOf(const CBrowserItem& item) {
    QStringList facts;
    const int overlay = item.GetOverlay();
    switch (item.GetKind()) {
        case CBrowserItem::kDevice: {
            if (const QString address = item.GetAddressText(); !address.isEmpty())
                facts << ItemDescription::tr("Address: %1").arg(address.toUpper());
            const QString label = device_class::LabelOf(device_class::ImageOf(item.GetClass()));
            facts << ItemDescription::tr("Class: %1 (0x%2)").arg(label).arg(item.GetClass(), 6, 16, QLatin1Char('0'));
            if (dynamic_cast<const CDistantDeviceItem*>(&item)) {
                facts << ItemDescription::tr("Paired: %1").arg(YesNo(overlay & 1));
                facts << ItemDescription::tr("Connected: %1").arg(YesNo(overlay & 2));
            }
            break;
        }
        case CBrowserItem::kFolder: facts << ItemDescription::tr("Folder"); break;
        case CBrowserItem::kFile: facts << ItemDescription::tr("File"); break;
        default: {
            if (item.GetComPort() > 0) facts << ItemDescription::tr("COM port: COM%1").arg(item.GetComPort());
            const auto* service = dynamic_cast<const CServiceItem*>(&item);
            const auto* local = service ? dynamic_cast<const CServiceLocal*>(service->GetService()) : nullptr;
            if (local && local->GetRfcommChannel()) facts << ItemDescription::tr("Channel: %1").arg(local->GetRfcommChannel());
            if (overlay & 2) facts << ItemDescription::tr("Connected");
            if (overlay & 4) facts << ItemDescription::tr("The remote side disconnected");
            break;
        }
    }
    return facts;
}

}  // namespace

QString ToolTipOf(const CBrowserItem& item) { return FactsOf(item).join(QLatin1Char('\n')); }

QString AccessibleOf(const CBrowserItem& item) { return FactsOf(item).join(QStringLiteral(", ")); }

}  // namespace item_description
