// nodo-cli notes: the memo board and the dated notes are hidden in the window, so this is how a
// user lists, reads, stores and backs up what the notes database holds.
#include "cli/Command.h"
#include "notes/NotesArchive.h"
#include "notes/NotesDatabase.h"
#include "notes/rtf/RtfReader.h"
#include "notes/rtf/RtfWriter.h"
#include "platform/AppFolder.h"
#include "platform/posix/AppFolders.h"
#include "platform/posix/AtomicFile.h"
#include "platform/sqlite/SqliteDatabase.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace nodo;

constexpr const char* kUsage =
    "notes [--app-folder DIR] list | show (--date YYYY-MM-DD | --page A..E --day 1..6) [--rtf] |"
    " put (--date YYYY-MM-DD | --page A..E --day 1..6) FILE | export DIR";

struct Options {
    std::string action;
    std::optional<std::string> appFolder, date, page, day;
    bool rtf = false;
    std::vector<std::string> positional;
};

int Fail(const std::string& message) {
    std::fprintf(stderr, "nodo-cli notes: %s\n", message.c_str());
    return 1;
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "nodo-cli notes: %s\nusage: nodo-cli %s\n", message.c_str(), kUsage);
    return 2;
}

// "--name VALUE" or "--name=VALUE"; the first bare word is the action, the others its arguments.
std::optional<std::string> Parse(const std::vector<std::string>& args, Options& o) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i], value;
        if (name == "--rtf") {
            o.rtf = true;
            continue;
        }
        if (name.rfind("--", 0) != 0) {
            if (o.action.empty())
                o.action = name;
            else
                o.positional.push_back(name);
            continue;
        }
        bool inlineValue = false;
        if (const auto eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            inlineValue = true;
        }
        std::optional<std::string>* slot = name == "--app-folder" ? &o.appFolder
                                           : name == "--date"     ? &o.date
                                           : name == "--page"     ? &o.page
                                           : name == "--day"      ? &o.day
                                                                  : nullptr;
        if (!slot) return "unknown argument '" + args[i] + "'";
        if (!inlineValue) {
            if (i + 1 >= args.size()) return name + " needs a value";
            value = args[++i];
        }
        *slot = value;
    }
    return std::nullopt;
}

// Which note --date or --page with --day names.
struct Target {
    std::optional<NoteDate> date;
    int page = 0, day = 0;
    std::string label() const {
        return date ? FormatDate(*date) : "page " + PageLetter(page) + " " + DayName(day);
    }
};

std::optional<std::string> ParseTarget(const Options& o, Target& t) {
    if (o.date) {
        if (o.page || o.day) return "give either --date or --page with --day";
        t.date = ParseDate(*o.date);
        if (!t.date) return "bad date '" + *o.date + "' (YYYY-MM-DD)";
        return std::nullopt;
    }
    if (!o.page || !o.day) return "give --date, or --page with --day";
    const std::string& p = *o.page;
    if (p.size() != 1 || !((p[0] >= 'A' && p[0] <= 'E') || (p[0] >= 'a' && p[0] <= 'e')))
        return "unknown page '" + p + "' (A to E)";
    t.page = (p[0] & ~0x20) - 'A' + 1;
    const std::string& d = *o.day;
    if (d.size() != 1 || d[0] < '1' || d[0] > '6')
        return "unknown day '" + d + "' (1 Monday to 6 Saturday and Sunday)";
    t.day = d[0] - '0';
    return std::nullopt;
}

std::unique_ptr<AppFolder> Folder(const Options& o, std::string& error) {
    if (!o.appFolder) {
        // An installed program's folder is the user's, filled from the template on first use.
        auto own = std::make_unique<ExecutableAppFolder>();
        for (const auto& problem : own->seeding().failures)
            std::fprintf(stderr, "nodo-cli notes: %s\n", problem.c_str());
        return own;
    }
    std::error_code ec;
    if (!fs::is_directory(*o.appFolder, ec)) {
        error = "no application folder '" + *o.appFolder + "'";
        return nullptr;
    }
    return std::make_unique<FixedAppFolder>(*o.appFolder);
}

int List(TDM& dm) {
    for (const auto& n : StoredNotes(dm)) {
        const std::string text = rtf::PlainText(n.document, "\n");
        const std::size_t lines = 1 + static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
        if (n.date)
            std::printf("date %s: %zu line%s\n", FormatDate(*n.date).c_str(), lines, lines == 1 ? "" : "s");
        else
            std::printf("page %s day %d (%s): %zu line%s\n", PageLetter(n.page).c_str(), n.day,
                        DayName(n.day).c_str(), lines, lines == 1 ? "" : "s");
    }
    return 0;
}

int Show(TDM& dm, const Target& t, bool asRtf) {
    std::string blob;
    if (t.date) {
        Query& q = *dm.qryData;
        q.close();
        q.clearSql();
        q.addSql(LoadNoteStatement(*t.date));
        q.open();
        if (q.recordCount() < 1) return Fail("no note for " + t.label());
        blob = q.blobField("data");
    } else {
        Query& q = *dm.qryData;
        q.close();
        q.clearSql();
        q.addSql(LoadPageStatement(t.page));
        q.open();
        if (q.recordCount() < 1)
            return Fail("page " + PageLetter(t.page) + " has no row in the notes database");
        blob = q.blobField(kDayColumns[static_cast<std::size_t>(t.day - 1)]);
    }
    const std::string out = asRtf ? blob : PrintableText(DocumentFromBlob(blob));
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

int Put(TDM& dm, const Target& t, const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return Fail("cannot read '" + file + "'");
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    if (in.bad()) return Fail("cannot read '" + file + "'");
    if (const std::string why = WhyNotANote(bytes); !why.empty()) return Fail("'" + file + "': " + why);

    DocumentEdit editor;
    editor.streamIn(bytes);
    StepResult r;
    if (t.date) {
        r = SaveNote(dm, *t.date, editor);
    } else {
        // Only the day's own column is written: the other five stay byte for byte, whatever
        // another program stored in them that an editor here would not keep.
        DayEditors editors{};
        const auto day = static_cast<std::size_t>(t.day - 1);
        editors[day] = &editor;
        r = SavePage(dm, t.page, editors, DaySet().set(day));
        if (r.ok && !r.written)
            return Fail("page " + PageLetter(t.page) + " has no row in the notes database");
    }
    if (!r.ok) return Fail("cannot store " + t.label() + ": " + r.error);
    std::printf("stored %s\n", t.label().c_str());
    return 0;
}

void WriteWhole(const fs::path& path, const std::string& bytes) {
    AtomicFile f(path.string());
    f.write(bytes.data(), bytes.size());
    f.commit(AtomicFile::ModeFor(path.string()), false);
}

int Export(TDM& dm, const std::string& dir) {
    std::error_code ec;
    if (fs::exists(dir, ec) && !fs::is_directory(dir, ec)) return Fail("'" + dir + "' is not a folder");
    // Everything is read before the first file is written.
    const auto notes = StoredNotes(dm);
    fs::create_directories(dir, ec);
    if (ec) return Fail("cannot make the folder '" + dir + "': " + ec.message());
    for (const auto& n : notes) {
        const fs::path base = fs::path(dir) / ExportBaseName(n);
        WriteWhole(base.string() + ".rtf", rtf::LooksLikeRtf(n.blob) ? n.blob : rtf::WriteRtf(n.document));
        WriteWhole(base.string() + ".txt", PrintableText(n.document));
        std::printf("wrote %s.rtf and .txt\n", base.string().c_str());
    }
    std::printf("%zu note%s exported\n", notes.size(), notes.size() == 1 ? "" : "s");
    return 0;
}

int notes(const std::vector<std::string>& args) {
    Options o;
    if (auto error = Parse(args, o)) return Usage(*error);
    const std::string& a = o.action;
    Target target;
    if (a == "show" || a == "put") {
        if (auto error = ParseTarget(o, target)) return Fail(*error);
        if (a == "show" && !o.positional.empty()) return Usage("show takes no file");
        if (a == "put" && o.positional.size() != 1) return Usage("put needs one FILE");
    } else if (a == "list") {
        if (!o.positional.empty() || o.date || o.page || o.day) return Usage("list takes no arguments");
    } else if (a == "export") {
        if (o.positional.size() != 1) return Usage("export needs one DIR");
    } else {
        return Usage(a.empty() ? "no action given" : "unknown action '" + a + "'");
    }
    if (o.rtf && a != "show") return Usage("--rtf goes with show");

    std::string error;
    const auto folder = Folder(o, error);
    if (!folder) return Fail(error);
    const std::string path = folder->path(kNotesDatabase);
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return Fail("no notes database at " + path);

    SqliteDatabase database(path);
    TDM dm(database);
    try {
        if (a == "list") return List(dm);
        if (a == "show") return Show(dm, target, o.rtf);
        if (a == "put") return Put(dm, target, o.positional[0]);
        return Export(dm, o.positional[0]);
    } catch (const DatabaseError& e) {
        return Fail(e.what());
    }
}

const nodo::cli::Registrar registrar("notes", kUsage, notes);

} // namespace
