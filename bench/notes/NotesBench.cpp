// Notes figures: saving and loading one memo page (six editors of about 10 KB of formatted text
// each) through the storage steps, against writing and reading the same six blobs as plain SQLite
// blobs on the same kind of connection (WAL, synchronous FULL). The page benchmark prints its
// ratio to the plain blobs of the same run (x_plain_blobs, wall time); target at most 5x.
#include "notes/NoteSteps.h"
#include "notes/NotesDatabase.h"
#include "notes/rtf/RtfReader.h"
#include "notes/rtf/RtfWriter.h"
#include "platform/sqlite/SqliteDatabase.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <unistd.h>
#include <vector>

using namespace nodo;

namespace {

// Wall time per iteration of the plain blobs in this run, for the page benchmark's ratio.
double g_plainSeconds = 0;

// About 10 KB of RTF: Chinese and Latin text in runs of changing font, size, weight and colour.
rtf::Document Formatted(int day) {
    static const std::string kWords[] = {"今天下午三点开会", "Report due", "买菜：白菜、豆腐", "call back ",
                                         "√ 完成"};
    rtf::Document doc;
    std::size_t size = 0;
    for (int p = 0; size < 10'000; ++p) {
        rtf::Paragraph para;
        para.align = static_cast<rtf::Align>(p % 4);
        for (int r = 0; r < 6; ++r) {
            rtf::CharFormat f;
            f.bold = r % 2 == 0;
            f.italic = r == 3;
            f.underline = r == 5;
            f.halfPoints = 20 + 2 * r;
            f.font = r % 3 ? "宋体" : "Arial";
            f.charset = r % 3 ? rtf::kGb2312Charset : rtf::kAnsiCharset;
            if (r % 2)
                f.color = rtf::Rgb{static_cast<std::uint8_t>(40 * r), 0, static_cast<std::uint8_t>(day * 20)};
            para.runs.push_back({kWords[(p + r + day) % 5] + std::to_string(p), f});
        }
        doc.paragraphs.push_back(std::move(para));
        size = rtf::WriteRtf(doc).size();
    }
    return doc;
}

class Fixture {
public:
    Fixture() {
        m_path = (std::filesystem::temp_directory_path() /
                  ("nodo-notes-bench-" + std::to_string(::getpid()) + ".db"))
                     .string();
        Remove();
        CreateNotesDatabase(m_path);
    }
    ~Fixture() { Remove(); }
    const std::string& path() const { return m_path; }

private:
    void Remove() {
        for (const char* suffix : {"", "-wal", "-shm"})
            std::filesystem::remove(m_path + suffix);
    }
    std::string m_path;
};

void BM_PageSaveLoad(benchmark::State& state) {
    Fixture fx;
    SqliteDatabase db(fx.path());
    TDM dm(db);
    std::array<DocumentEdit, kDayCount> days;
    DayEditors editors{};
    for (std::size_t d = 0; d < kDayCount; ++d) {
        days[d].setDocument(Formatted(static_cast<int>(d)));
        editors[d] = &days[d];
    }
    std::size_t bytes = 0;
    for (const auto& d : days)
        bytes += d.streamOut().size();
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (!SavePage(dm, 2, editors).written) state.SkipWithError("save failed");
        if (!LoadPage(dm, 2, editors).ok) state.SkipWithError("load failed");
    }
    const double each = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
                        static_cast<double>(std::max<std::int64_t>(state.iterations(), 1));
    if (g_plainSeconds > 0) state.counters["x_plain_blobs"] = each / g_plainSeconds;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes * 2));
    state.counters["page_bytes"] = static_cast<double>(bytes);
}

// An editor that streams the same RTF out and only keeps what is streamed in: the steps of a page
// without the RTF work, for finding where the rest of the page's time goes.
class BlobEdit : public RichEdit {
public:
    explicit BlobEdit(std::string blob) : m_blob(std::move(blob)) {}
    std::string streamOut() const override { return m_blob; }
    void streamIn(std::string_view blob) override { m_in.assign(blob); }

private:
    std::string m_blob, m_in;
};

void BM_PageSteps(benchmark::State& state) {
    Fixture fx;
    SqliteDatabase db(fx.path());
    TDM dm(db);
    std::vector<BlobEdit> days;
    DayEditors editors{};
    for (std::size_t d = 0; d < kDayCount; ++d)
        days.emplace_back(rtf::WriteRtf(Formatted(static_cast<int>(d))));
    for (std::size_t d = 0; d < kDayCount; ++d)
        editors[d] = &days[d];
    for (auto _ : state) {
        if (!SavePage(dm, 2, editors).written) state.SkipWithError("save failed");
        if (!LoadPage(dm, 2, editors).ok) state.SkipWithError("load failed");
    }
}

// The same six blobs written in one transaction and read back with plain SQLite calls.
void BM_PlainBlobs(benchmark::State& state) {
    Fixture fx;
    std::array<std::string, kDayCount> blobs;
    std::size_t bytes = 0;
    for (std::size_t d = 0; d < kDayCount; ++d) {
        blobs[d] = rtf::WriteRtf(Formatted(static_cast<int>(d)));
        bytes += blobs[d].size();
    }
    sqlite3* db = nullptr;
    sqlite3_open_v2(fx.path().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    sqlite3_stmt* write = nullptr;
    sqlite3_stmt* read = nullptr;
    sqlite3_prepare_v2(
        db,
        "UPDATE tb_B SET MondayCon=?, TuesdayCon=?, WednesdayCon=?, ThursdayCon=?, FridayCon=?, "
        "SaturdayCon=? WHERE ID = 1",
        -1, &write, nullptr);
    sqlite3_prepare_v2(db, "SELECT * FROM tb_B WHERE ID = 1", -1, &read, nullptr);
    std::array<std::string, kDayCount> back;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        for (int d = 0; d < kDayCount; ++d)
            sqlite3_bind_blob(write, d + 1, blobs[static_cast<std::size_t>(d)].data(),
                              static_cast<int>(blobs[static_cast<std::size_t>(d)].size()), SQLITE_STATIC);
        if (sqlite3_step(write) != SQLITE_DONE) state.SkipWithError("write failed");
        sqlite3_reset(write);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        if (sqlite3_step(read) != SQLITE_ROW) state.SkipWithError("read failed");
        for (int d = 0; d < kDayCount; ++d)
            back[static_cast<std::size_t>(d)].assign(
                static_cast<const char*>(sqlite3_column_blob(read, d + 1)),
                static_cast<std::size_t>(sqlite3_column_bytes(read, d + 1)));
        sqlite3_reset(read);
        benchmark::DoNotOptimize(back);
    }
    g_plainSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
                     static_cast<double>(std::max<std::int64_t>(state.iterations(), 1));
    sqlite3_finalize(write);
    sqlite3_finalize(read);
    sqlite3_close(db);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes * 2));
}

// The two halves of the RTF work of one page, for finding where the time goes.
void BM_WritePage(benchmark::State& state) {
    std::array<rtf::Document, kDayCount> docs;
    for (std::size_t d = 0; d < kDayCount; ++d)
        docs[d] = rtf::Normalized(Formatted(static_cast<int>(d)));
    for (auto _ : state)
        for (const auto& doc : docs)
            benchmark::DoNotOptimize(rtf::WriteRtf(doc));
}

void BM_ReadPage(benchmark::State& state) {
    std::array<std::string, kDayCount> blobs;
    for (std::size_t d = 0; d < kDayCount; ++d)
        blobs[d] = rtf::WriteRtf(Formatted(static_cast<int>(d)));
    for (auto _ : state)
        for (const auto& blob : blobs)
            benchmark::DoNotOptimize(rtf::ReadRtf(blob));
}

} // namespace

BENCHMARK(BM_WritePage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainBlobs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PageSaveLoad)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PageSteps)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
