#pragma once
// The calendar above the dated note, as every window that shows the note sets it up.
namespace nodo {

class TChnCalendar;

// Gives `calendar` the properties of the dated note's calendar: the title band shown, no week
// numbers and no frame, the week-number line, the selection always shown, "黑体" bold 12 px day
// numbers and "宋体" 12 px lunar texts, the picture stretched and see-through at half strength.
// The colours are the control's own defaults, which are the note calendar's.
void ApplyNoteCalendarDesign(TChnCalendar& calendar);

} // namespace nodo
