// Two programs saving the note of a new date at once (the calendar window and nodo-cli, say):
// each save is one read-then-write, so neither is lost and no second row appears.
#include "NotesDbFixture.h"

#include "notes/NoteSteps.h"
#include "platform/sqlite/SqliteDatabase.h"

#include <chrono>
#include <sys/wait.h>
#include <unistd.h>

namespace nodo {
namespace {

using testing::RawDb;

// A child process that runs `fn` and then exits with its status. No connection may be open in
// the parent when it forks: SQLite's locks do not survive a fork.
template <class Fn> pid_t Child(Fn fn) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(fn());
    return pid;
}

// Waits for one byte on a pipe.
bool Wait(int fd) {
    char byte = 0;
    return ::read(fd, &byte, 1) == 1;
}

void Tell(int fd) {
    [[maybe_unused]] const auto n = ::write(fd, "x", 1);
}

using ConcurrentSaves = testing::NotesDb;

TEST_F(ConcurrentSaves, TwoProgramsOnANewDateBothStore) {
    struct Case {
        const char* name;
        bool uniqueKey; // a database made here has a unique key on the date; one copied from
                        // elsewhere may not
    };
    for (const Case c : {Case{"unique key", true}, Case{"no key", false}}) {
        {
            RawDb raw(dbPath());
            raw.exec("DELETE FROM UserCon");
            if (!c.uniqueKey) raw.exec("DROP INDEX IF EXISTS UserCon_conIndex");
        }
        // Both programs start their saves while a third holds the write lock, so that both are
        // under way before either can write.
        int locked[2], release[2];
        ASSERT_EQ(::pipe(locked), 0);
        ASSERT_EQ(::pipe(release), 0);
        const pid_t locker = Child([&] {
            RawDb raw(dbPath());
            if (raw.exec("BEGIN IMMEDIATE") != SQLITE_OK) return 2;
            Tell(locked[1]);
            Wait(release[0]);
            raw.exec("ROLLBACK");
            return 0;
        });
        ASSERT_TRUE(Wait(locked[0]));
        pid_t savers[2];
        for (int i = 0; i < 2; ++i) {
            savers[i] = Child([&] {
                SqliteDatabase db(dbPath(), std::chrono::seconds(20));
                TDM dm(db);
                DocumentEdit note;
                note.setDocument(rtf::SingleRun(i == 0 ? "from the window" : "from the command line"));
                const StepResult r = SaveNote(dm, {2026, 12, 10}, note);
                return r.ok && r.written ? 0 : 1;
            });
            ASSERT_GT(savers[i], 0);
        }
        ::usleep(500'000); // both now wait for the lock
        Tell(release[1]);
        for (const int fd : {locked[0], locked[1], release[0], release[1]})
            ::close(fd);
        int status = 0;
        ASSERT_EQ(::waitpid(locker, &status, 0), locker);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.name << ": no lock";
        for (const pid_t saver : savers) {
            ASSERT_EQ(::waitpid(saver, &status, 0), saver);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.name << ": a save was lost";
        }
        RawDb raw(dbPath());
        EXPECT_EQ(raw.count("UserCon", "conIndex = '20261210'"), 1) << c.name;
        const std::string text = raw.scalar("SELECT data FROM UserCon");
        EXPECT_TRUE(text.find("from the window") != std::string::npos ||
                    text.find("from the command line") != std::string::npos)
            << c.name;
    }
}

} // namespace
} // namespace nodo
