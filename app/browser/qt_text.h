#pragma once
// Conversions between the engine's wide strings and Qt's.
#include <QString>

#include "platform/mfc/cstring.h"

inline QString ToQString(const CString& text) { return QString::fromStdWString(text.str()); }
inline CString ToCString(const QString& text) { return CString(text.toStdWString()); }
