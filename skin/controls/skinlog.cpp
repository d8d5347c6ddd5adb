#include "skin/controls/skinlog.h"

namespace velotune {
Q_LOGGING_CATEGORY(lcSkin, "velotune.skin")
}  // namespace velotune
