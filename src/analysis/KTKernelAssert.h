#pragma once

#include <QtGlobal>

/// The refusal of a pixel kernel that is given bad arguments: when `condition` is false, logs the
/// kernel's fixed description (printf-style, the offending value filled in) through qFatal, which
/// aborts. Unlike Q_ASSERT it stays in release builds, so a kernel never goes on with arguments
/// it refused.
#define KT_KERNEL_ASSERT(condition, ...)                                                                     \
    do {                                                                                                     \
        if (Q_UNLIKELY(!(condition)))                                                                        \
            qFatal(__VA_ARGS__);                                                                             \
    } while (false)
