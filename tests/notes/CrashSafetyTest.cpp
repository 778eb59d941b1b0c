// A process killed in the middle of saves, again and again, leaves the notes database readable,
// each row holding the previous or the new content, never a mix.
#include "NotesDbFixture.h"

#include "notes/NoteSteps.h"
#include "platform/sqlite/SqliteDatabase.h"

#include <csignal>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace nodo {
namespace {

constexpr NoteDate kDate{2014, 3, 9};

// The text of one save: the generation in every editor, padded so that a save takes a while.
std::string SavedText(long generation, int day) {
    return "gen " + std::to_string(generation) + " day " + std::to_string(day) + " " +
           std::string(4000, 'x') + "\n备忘录第二行";
}

// What a row holds: the generation of its content, or -1 when it holds none yet.
long GenerationOf(const std::string& text) {
    if (text.empty()) return -1;
    if (text.rfind("gen ", 0) != 0) return -2;
    return std::stol(text.substr(4));
}

// The child: saves page A and the note of kDate with rising generations until it is killed;
// tells `ready` once the first round of saves is done.
[[noreturn]] void SaveForever(const std::string& path, long generation, int ready) {
    SqliteDatabase db(path);
    TDM dm(db);
    std::array<DocumentEdit, kDayCount> days;
    DayEditors editors{};
    for (std::size_t d = 0; d < kDayCount; ++d)
        editors[d] = &days[d];
    DocumentEdit note;
    for (;; ++generation) {
        for (std::size_t d = 0; d < kDayCount; ++d)
            days[d].setDocument(rtf::FromPlainText(SavedText(generation, static_cast<int>(d + 1))));
        SavePage(dm, 1, editors);
        note.setDocument(rtf::FromPlainText(SavedText(generation, 0)));
        SaveNote(dm, kDate, note);
        if (ready >= 0) {
            [[maybe_unused]] const auto n = ::write(ready, "x", 1);
            ::close(ready);
            ready = -1;
        }
    }
}

using CrashSafety = testing::NotesDb;

TEST_F(CrashSafety, KilledDuringSavesLeavesOldOrNewRows) {
    std::mt19937 random(20140309);
    // After the child's first saves, so that however loaded the machine is, the kill falls among
    // the saves that follow.
    std::uniform_int_distribution<int> delayUs(0, 8'000);
    long pageGeneration = -1, noteGeneration = -1;
    for (int round = 0; round < 200; ++round) {
        const long start = std::max(pageGeneration, noteGeneration) + 1;
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            SaveForever(dbPath(), start, ready[1]);
        }
        ::close(ready[1]);
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1) << "round " << round;
        ::close(ready[0]);
        ::usleep(static_cast<useconds_t>(delayUs(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));

        SqliteDatabase db(dbPath());
        TDM dm(db);
        std::array<DocumentEdit, kDayCount> days;
        DayEditors editors{};
        for (std::size_t d = 0; d < kDayCount; ++d)
            editors[d] = &days[d];
        const StepResult load = LoadPage(dm, 1, editors);
        ASSERT_TRUE(load.ok) << "round " << round << ": " << load.error;

        // All six days come from one save, complete, and not older than before.
        const long page = GenerationOf(rtf::PlainText(days[0].document(), "\n"));
        for (std::size_t d = 0; d < kDayCount; ++d) {
            const std::string text = rtf::PlainText(days[d].document(), "\n");
            if (page < 0) {
                ASSERT_EQ(text, "") << "round " << round;
            } else {
                ASSERT_EQ(text, SavedText(page, static_cast<int>(d + 1)))
                    << "round " << round << " day " << d;
            }
        }
        ASSERT_GE(page, pageGeneration) << "round " << round;

        DocumentEdit note;
        ASSERT_TRUE(LoadNote(dm, kDate, note).ok);
        const std::string noteText = rtf::PlainText(note.document(), "\n");
        const long noteGen = GenerationOf(noteText);
        if (noteGen >= 0) {
            ASSERT_EQ(noteText, SavedText(noteGen, 0)) << "round " << round;
        }
        ASSERT_GE(noteGen, noteGeneration) << "round " << round;
        ASSERT_LE(testing::RawDb(dbPath()).count("UserCon"), 1);

        pageGeneration = page;
        noteGeneration = noteGen;
    }
    EXPECT_EQ(testing::RawDb(dbPath()).scalar("PRAGMA integrity_check"), "ok");
    // Every round saved at least once.
    EXPECT_GE(pageGeneration, 199);
    EXPECT_GE(noteGeneration, 199);
}

} // namespace
} // namespace nodo
