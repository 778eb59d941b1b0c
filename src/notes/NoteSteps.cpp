#include "notes/NoteSteps.h"

#include <cstdio>
#include <exception>

namespace nodo {

namespace {

const char* TableName(int page) {
    static constexpr std::array<const char*, kPageCount> kTables = {"tb_A", "tb_B", "tb_C", "tb_D", "tb_E"};
    return page >= 1 && page <= kPageCount ? kTables[static_cast<std::size_t>(page - 1)] : "";
}

// Close, clear, add the statement as one line, open.
void OpenStatement(Query& q, const std::string& statement) {
    q.close();
    q.clearSql();
    q.addSql(statement);
    q.open();
}

StepResult Failed(const std::exception& e) {
    StepResult r;
    r.ok = false;
    r.error = e.what();
    return r;
}

} // namespace

std::string DateKey(const NoteDate& date) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", date.year, date.month, date.day);
    return buf;
}

std::string QuotedStr(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

std::string LoadPageStatement(int page) {
    return std::string(" select * from ") + TableName(page) + " where ID = 1 ";
}

std::string SavePageStatement(int page) {
    const std::string piece = page >= 1 && page <= kPageCount ? std::string(" ") + TableName(page) + " " : "";
    return " select * from  " + piece + " where ID = 1";
}

std::string LoadNoteStatement(const NoteDate& date) {
    return std::string(" select * from UserCon ") + " where conIndex = " + QuotedStr(DateKey(date));
}

std::string SaveNoteStatement(const NoteDate& date) {
    return std::string(" select * from  UserCon ") + " where conIndex = " + QuotedStr(DateKey(date));
}

StepResult LoadPage(TDM& dm, int page, const DayEditors& editors) {
    std::array<std::string, kDayCount> buffers;
    try {
        Query& q = *dm.qryData;
        OpenStatement(q, LoadPageStatement(page));
        // A page without its row loads as six empty editors.
        if (q.recordCount() > 0)
            for (std::size_t d = 0; d < kDayCount; ++d)
                buffers[d] = q.blobField(kDayColumns[d]);
    } catch (const std::exception& e) {
        return Failed(e);
    }
    for (std::size_t d = 0; d < kDayCount; ++d)
        editors[d]->streamIn(buffers[d]);
    return {};
}

StepResult SavePage(TDM& dm, int page, const DayEditors& editors, const DaySet& days) {
    std::array<std::string, kDayCount> buffers;
    for (std::size_t d = 0; d < kDayCount; ++d)
        if (days[d]) buffers[d] = editors[d]->streamOut();
    try {
        WriteTransaction transaction(dm.AdoCon);
        Query& q = *dm.qryData;
        OpenStatement(q, SavePageStatement(page));
        if (q.recordCount() < 1) return {};
        q.edit();
        for (std::size_t d = 0; d < kDayCount; ++d)
            if (days[d]) q.setBlob(kDayColumns[d], buffers[d]);
        q.post();
        transaction.commit();
    } catch (const std::exception& e) {
        return Failed(e);
    }
    return {.ok = true, .written = true, .error = {}};
}

StepResult LoadNote(TDM& dm, const NoteDate& date, RichEdit& editor) {
    std::string buffer;
    try {
        Query& q = *dm.qryData;
        OpenStatement(q, LoadNoteStatement(date));
        if (q.recordCount() > 0) buffer = q.blobField("data");
    } catch (const std::exception& e) {
        return Failed(e);
    }
    editor.streamIn(buffer);
    return {};
}

StepResult SaveNote(TDM& dm, const NoteDate& date, RichEdit& editor) {
    const std::string buffer = editor.streamOut();
    try {
        WriteTransaction transaction(dm.AdoCon);
        Query& q = *dm.qryData;
        const std::string statement = SaveNoteStatement(date);
        OpenStatement(q, statement);
        if (q.recordCount() < 1) {
            OpenStatement(q, statement);
            q.append();
            q.setText("conIndex", DateKey(date));
            q.setBlob("data", buffer);
            q.post();
        } else {
            q.edit();
            q.setBlob("data", buffer);
            q.post();
        }
        transaction.commit();
    } catch (const std::exception& e) {
        return Failed(e);
    }
    return {.ok = true, .written = true, .error = {}};
}

} // namespace nodo
