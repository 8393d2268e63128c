#pragma once
// The picture and the label of a device from its class of device.
#include <QString>

namespace device_class {

// The browser's image index (0 unknown, 1 desktop, 2 laptop, 3 handheld, 4 phone, 5 access
// point, 6 audio) for a 32-bit class of device.
int ImageOf(unsigned int classOfDevice);
// "UNKNOWN", "DESKTOP", "LAPTOP", "PDA", "PHONE", "ACCESS POINT", "AUDIO" for images 0 to 6
// (in the user's language); an empty text for any other image.
QString LabelOf(int image);

}  // namespace device_class
