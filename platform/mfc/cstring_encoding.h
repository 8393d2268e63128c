#pragma once
// The text conversions moved to platform/text/utf.h; this path stays only until sim/ includes
// that one.
#include "platform/text/utf.h"
