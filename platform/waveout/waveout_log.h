// platform/waveout/waveout_log.h
//
// The sound device layer's log category, "velotune.waveout". Logging is safe from the device
// thread.
#pragma once

#include <QLoggingCategory>

namespace velotune::platform::waveout {
Q_DECLARE_LOGGING_CATEGORY(lcWaveOut)
}
