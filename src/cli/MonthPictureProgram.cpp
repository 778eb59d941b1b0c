#include "cli/MonthPictureProgram.h"

#include "imaging/PictureFile.h"
#include "platform/Errors.h"
#include "platform/desktop/CommandRunner.h"

#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace nodo::cli {
namespace {

namespace fs = std::filesystem;
constexpr const char* kProgram = "nodo-month-picture";

fs::path FindProgram() {
    std::error_code ec;
    const fs::path dir = fs::read_symlink("/proc/self/exe", ec).parent_path();
    for (const fs::path& p : {dir / kProgram, dir.parent_path() / "libexec" / "nodo" / kProgram})
        if (::access(p.c_str(), X_OK) == 0) return p;
    throw NodoError(std::string("cannot find ") + kProgram + " beside " + dir.string() +
                    " or in ../libexec/nodo/");
}

} // namespace

pic::Bitmap RunMonthPicture(int backgroundHeight) {
    const fs::path out = fs::temp_directory_path() / ("nodo-month-" + std::to_string(::getpid()) + ".bmp");
    desktop::PosixCommandRunner runner;
    const desktop::Command command(FindProgram().string(), {std::to_string(backgroundHeight), out.string()});
    const desktop::CommandResult r = runner.run(command);
    if (!r.ok()) {
        std::error_code ec;
        fs::remove(out, ec);
        throw NodoError(desktop::DescribeFailure(command, r));
    }
    pic::Bitmap month = pic::LoadBitmapFile(out);
    std::error_code ec;
    fs::remove(out, ec);
    return month;
}

} // namespace nodo::cli
