#include "calendar_view/NoteCalendar.h"

#include "calendar_view/ChnCalendarPicker.h"
#include "ui/Chrome.h"

namespace nodo {

void ApplyNoteCalendarDesign(TChnCalendar& c) {
    c.SetShowTitle(true);
    c.SetShowWeekNum(false);
    c.SetShowFrame(false);
    c.SetShowWeekNumLine(true);
    c.SetHideSelection(false);
    c.SetFontDate(UiFont(QStringLiteral("黑体"), 12, true));
    c.SetFontCnDate(UiFont(QStringLiteral("宋体"), 12));
    c.SetCenter(false);
    c.SetStretch(true);
    c.SetTransparent(true);
    c.SetAlphaBlend(50);
}

} // namespace nodo
