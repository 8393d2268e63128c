#include "app/browser/device_item.h"

#include "app/browser/device_class.h"
#include "app/browser/nimbrel_view.h"
#include "app/browser/qt_text.h"
#include "engine/device/device.h"

CDeviceItem::CDeviceItem(CNimbrelView* view, CDevice* device) : CBrowserItem(view, kDevice), m_device(device) {}

CDeviceItem::~CDeviceItem() { GetView()->ForgetItem(this); }

QString CDeviceItem::GetName() const { return ToQString(m_device->GetName()); }

unsigned int CDeviceItem::GetClass() const { return m_device->GetClass(); }

int CDeviceItem::GetImage() const { return device_class::ImageOf(GetClass()); }

QString CDeviceItem::GetAddressText() const { return AddressText(m_device->GetBtAddr()); }

QString AddressText(BT_ADDR address) {
    const auto high = static_cast<unsigned int>(address >> 32);
    const auto low = static_cast<unsigned int>(address & 0xFFFFFFFFu);
    const unsigned int bytes[] = {(high >> 8) & 0xFF, high & 0xFF, low >> 24, (low >> 16) & 0xFF, (low >> 8) & 0xFF,
                                  low & 0xFF};
    QString text;
    for (unsigned int byte : bytes) {
        if (!text.isEmpty()) text += QLatin1Char(':');
        text += QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0'));
    }
    return text;
}
