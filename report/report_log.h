// report/report_log.h (internal): the usage reporter's log category.
#pragma once

#include <QLoggingCategory>

namespace velotune {
Q_DECLARE_LOGGING_CATEGORY(lcReport)
}  // namespace velotune
