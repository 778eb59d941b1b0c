#include "calendar_app/Log.h"

namespace nodo {
Q_LOGGING_CATEGORY(lcCalendarApp, "nodo.calendar-app", QtCriticalMsg)
} // namespace nodo
