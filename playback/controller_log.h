// playback/controller_log.h (internal): the controller's log category, shared by its sources.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcController)
