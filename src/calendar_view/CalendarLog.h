#pragma once
// The calendar control's log: `QT_LOGGING_RULES='nodo.calendar.view=true'` shows it.
#include <QLoggingCategory>

namespace nodo {

Q_DECLARE_LOGGING_CATEGORY(lcCalendarView)

} // namespace nodo
