#pragma once
// The notes' logging category, "nodo.notes": quiet unless turned on (QT_LOGGING_RULES="nodo.notes=true").
// Failed loads and saves are logged with their reason.
#include <QLoggingCategory>

namespace nodo {
Q_DECLARE_LOGGING_CATEGORY(lcNotes)
} // namespace nodo
