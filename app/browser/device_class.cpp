#include "app/browser/device_class.h"

#include <QCoreApplication>
#include <iterator>

namespace device_class {
namespace {
constexpr int kUnknown = 0, kDesktop = 1, kLaptop = 2, kHandheld = 3, kPhone = 4, kAccessPoint = 5, kAudio = 6;
constexpr unsigned int kComputer = 1, kPhoneClass = 2, kNetworkAccessPoint = 3, kAudioVideo = 4;

int ComputerImage(unsigned int minor) {
    switch (minor) {
        case 1:
        case 2: return kDesktop;
        case 3: return kLaptop;
        case 4:
        case 5: return kHandheld;
        default: return kUnknown;
    }
}
}  // namespace

int ImageOf(unsigned int classOfDevice) {
    const unsigned int major = (classOfDevice >> 8) & 0x1F;
    const unsigned int minor = (classOfDevice >> 2) & 0x3F;
    switch (major) {
        case kComputer: return ComputerImage(minor);
        case kPhoneClass: return kPhone;
        case kNetworkAccessPoint: return kAccessPoint;
        case kAudioVideo: return kAudio;
        default: return kUnknown;
    }
}

QString LabelOf(int image) {
    static const char* const kLabels[] = {
        QT_TRANSLATE_NOOP("device_class", "UNKNOWN"), QT_TRANSLATE_NOOP("device_class", "DESKTOP"),
        QT_TRANSLATE_NOOP("device_class", "LAPTOP"),  QT_TRANSLATE_NOOP("device_class", "PDA"),
        QT_TRANSLATE_NOOP("device_class", "PHONE"),   QT_TRANSLATE_NOOP("device_class", "ACCESS POINT"),
        QT_TRANSLATE_NOOP("device_class", "AUDIO")};
    if (image < 0 || image >= static_cast<int>(std::size(kLabels))) return {};
    return QCoreApplication::translate("device_class", kLabels[image]);
}

}  // namespace device_class
