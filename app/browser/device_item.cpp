#include "app/browser/device_item.h"

#include "app/browser/device_class.h"
#include "app/browser/nimbrel_view.h"
#include "app/browser/qt_text.h"
#include "engine/device/device.h"
#include "platform/bluetooth/bt_address.h"

CDeviceItem::CDeviceItem(CNimbrelView* view, CDevice* device) : CBrowserItem(view, kDevice), m_device(device) {}

CDeviceItem::~CDeviceItem() { GetView()->ForgetItem(this); }

QString CDeviceItem::GetName() const { return ToQString(m_device->GetName()); }

unsigned int CDeviceItem::GetClass() const { return m_device->GetClass(); }

int CDeviceItem::GetImage() const { return device_class::ImageOf(GetClass()); }

QString CDeviceItem::GetAddressText() const { return AddressText(m_device->GetBtAddr()); }

QString AddressText(BT_ADDR address) { return QString::fromStdString(bth::FormatAddress(address)); }
