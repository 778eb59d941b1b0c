// nodo-cli convert IN OUT.bmp: any supported picture (recognised by its content) to a 24-bit BMP.
#include "cli/Command.h"
#include "imaging/PictureFile.h"

#include <cstdio>
#include <filesystem>

namespace {

int convert(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: nodo-cli convert IN OUT.bmp\n");
        return 2;
    }
    const std::filesystem::path in = args[0], out = args[1];
    try {
        const nodo::pic::Bitmap picture = nodo::pic::LoadBitmapFile(in);
        // Only a 0-byte file loads as an empty picture; here that is no picture at all.
        if (picture.empty())
            throw nodo::pic::PictureError(nodo::pic::PictureErrorKind::Corrupt, "the file is empty");
        // Written at 24 bits, transparent parts (PNG, GIF, 32-bit BMP) come out over white.
        nodo::pic::SaveBmpFile(out, picture, 24);
        std::printf("%s: %d x %d -> %s\n", in.string().c_str(), picture.width(), picture.height(),
                    out.string().c_str());
        return 0;
    } catch (const nodo::pic::PictureError& e) {
        std::fprintf(stderr, "nodo-cli convert: cannot convert \"%s\": %s\n", in.string().c_str(), e.what());
        return 1;
    }
}

const nodo::cli::Registrar
    registrar("convert", "convert IN OUT.bmp   picture (BMP, JPEG, PNG, GIF) to a 24-bit BMP", convert);

} // namespace
