#include "notes/qt/NotesLog.h"

namespace nodo {
// Only critical messages show by default; the failures the user is told of are warnings.
Q_LOGGING_CATEGORY(lcNotes, "nodo.notes", QtCriticalMsg)
} // namespace nodo
