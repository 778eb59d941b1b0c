#include "notes/NotesArchive.h"

#include "notes/rtf/RtfReader.h"
#include "platform/posix/Encoding.h"

#include <cstdio>

namespace nodo {

bool StoredNote::hasText() const {
    return !rtf::PlainText(document, "\n").empty();
}

std::vector<StoredNote> StoredNotes(TDM& dm) {
    std::vector<StoredNote> notes;
    Query& q = *dm.qryData;
    for (int page = 1; page <= kPageCount; ++page) {
        q.close();
        q.clearSql();
        q.addSql(LoadPageStatement(page));
        q.open();
        if (q.recordCount() < 1) continue;
        for (int day = 1; day <= kDayCount; ++day) {
            StoredNote n;
            n.page = page;
            n.day = day;
            n.blob = q.blobField(kDayColumns[static_cast<std::size_t>(day - 1)]);
            n.document = DocumentFromBlob(n.blob);
            if (n.hasText()) notes.push_back(std::move(n));
        }
    }
    q.close();
    q.clearSql();
    q.addSql(" select * from UserCon order by conIndex");
    q.open();
    for (q.first(); !q.eof(); q.next()) {
        StoredNote n;
        n.date = DateOfKey(q.textField("conIndex"));
        if (!n.date) continue;
        n.blob = q.blobField("data");
        n.document = DocumentFromBlob(n.blob);
        if (n.hasText()) notes.push_back(std::move(n));
    }
    return notes;
}

std::string PageLetter(int page) {
    return page >= 1 && page <= kPageCount ? std::string(1, char('A' + page - 1)) : "";
}

std::string DayName(int day) {
    static constexpr const char* kNames[] = {"Monday",   "Tuesday", "Wednesday",
                                             "Thursday", "Friday",  "Saturday-Sunday"};
    return day >= 1 && day <= kDayCount ? kNames[day - 1] : "";
}

namespace {

bool LeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && LeapYear(y) ? 29 : kDays[m - 1];
}

// Digits only, exactly `n` of them.
std::optional<int> Digits(std::string_view s, std::size_t n) {
    if (s.size() != n) return std::nullopt;
    int v = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::optional<NoteDate> Checked(std::optional<int> y, std::optional<int> m, std::optional<int> d) {
    if (!y || !m || !d || *y < 1 || *m < 1 || *m > 12 || *d < 1 || *d > DaysInMonth(*y, *m))
        return std::nullopt;
    return NoteDate{*y, *m, *d};
}

} // namespace

std::optional<NoteDate> ParseDate(std::string_view t) {
    if (t.size() != 10 || t[4] != '-' || t[7] != '-') return std::nullopt;
    return Checked(Digits(t.substr(0, 4), 4), Digits(t.substr(5, 2), 2), Digits(t.substr(8, 2), 2));
}

std::string FormatDate(const NoteDate& date) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", date.year, date.month, date.day);
    return buf;
}

std::optional<NoteDate> DateOfKey(std::string_view key) {
    if (key.size() != 8) return std::nullopt;
    return Checked(Digits(key.substr(0, 4), 4), Digits(key.substr(4, 2), 2), Digits(key.substr(6, 2), 2));
}

std::string ExportBaseName(const StoredNote& note) {
    if (note.date) return FormatDate(*note.date);
    return PageLetter(note.page) + "-" + std::to_string(note.day) + "-" + DayName(note.day);
}

std::string PrintableText(const rtf::Document& doc) {
    std::string text = rtf::PlainText(doc, "\n");
    if (!text.empty()) text += '\n';
    return text;
}

std::string WhyNotANote(std::string_view bytes) {
    if (rtf::LooksLikeRtf(bytes)) return {};
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != '\f')
            return "it is neither RTF nor text (it holds control bytes)";
    }
    if (!IsValidUtf8(FromAnsi(bytes))) return "it is neither RTF nor text in the locale's encoding or GBK";
    return {};
}

} // namespace nodo
