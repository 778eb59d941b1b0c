#pragma once
#include <QLoggingCategory>

namespace nodo {
// The calendar window: its settings, its single instance (quiet unless QT_LOGGING_RULES asks).
Q_DECLARE_LOGGING_CATEGORY(lcCalendarApp)
} // namespace nodo
