#pragma once
// Everything the kernel offers, for code that uses several of its parts.
#include "platform/kernel/device.h"
#include "platform/kernel/files.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/msgqueue.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"
#include "platform/kernel/time.h"
#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

#pragma GCC visibility pop
