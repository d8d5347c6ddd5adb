// skin/controls/skinlog.h: the logging category of the skin controls (internal).
#pragma once

#include <QLoggingCategory>

namespace velotune {
Q_DECLARE_LOGGING_CATEGORY(lcSkin)
}  // namespace velotune
