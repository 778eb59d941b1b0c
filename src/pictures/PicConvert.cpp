#include "pictures/PicConvert.h"

#include "imaging/Codecs.h"
#include "imaging/PictureFile.h"
#include "platform/AppFolder.h"

#include <cstring>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace nodo {

// "photo.bmp" next to "Photo.JPG" may already exist as "photo.BMP": both name one file here.
static std::string SiblingBmp(const std::string& fileName) {
    const std::string bmp = ChangeFileExt(fileName, ".bmp");
    return fs::path(bmp).is_absolute() ? ResolveExisting(bmp).string() : bmp;
}

std::string JpgToBmp(const std::string& fileName) {
    return JpgToBmp(fileName, SiblingBmp(fileName));
}

std::string JpgToBmp(const std::string& fileName, const std::string& target) {
    const pic::Bitmap bmp = pic::DecodeJpeg(pic::ReadWholeFile(fileName));
    pic::SaveBmpFile(target, bmp, 24);
    return target;
}

std::string GifToBmp(const std::string& fileName) {
    return GifToBmp(fileName, SiblingBmp(fileName));
}

std::string GifToBmp(const std::string& fileName, const std::string& target) {
    const pic::Bitmap bmp = pic::DecodeGif(pic::ReadWholeFile(fileName));
    pic::SaveBmpFile(target, bmp, 24); // laid over white
    return target;
}

std::string PicToBmp(const std::string& fileName, const std::string& outFolder) {
    const pic::PictureFormat format = pic::FormatByExtension(fileName);
    if (format == pic::PictureFormat::Bmp) return fileName;
    const bool jpeg = format == pic::PictureFormat::Jpeg;
    if (!jpeg && format != pic::PictureFormat::Gif) return {};
    const std::string target = BmpTargetFor(fileName, outFolder);
    return jpeg ? JpgToBmp(fileName, target) : GifToBmp(fileName, target);
}

std::string BmpTargetFor(const std::string& fileName, const std::string& outFolder) {
    if (outFolder.empty()) return SiblingBmp(fileName);
    return FileInFolder(outFolder, fs::path(ChangeFileExt(fileName, ".bmp")).filename().string());
}

std::string FileInFolder(const std::string& folder, const std::string& name) {
    const fs::path dir(folder);
    std::error_code ec;
    if (fs::exists(dir / name, ec)) return (dir / name).string();
    const std::string want = FoldCase(name);
    fs::path found;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string have = it->path().filename().string();
        if (FoldCase(have) == want && (found.empty() || have < found.filename().string())) found = it->path();
    }
    return (found.empty() ? dir / name : found).string();
}

pic::Bitmap StretchNearest(const pic::Bitmap& source, int width, int height) {
    if (width <= 0 || height <= 0) return {};
    pic::Bitmap out(width, height, source.bitsPerPixel());
    if (source.empty()) return out;
    const int bpp = source.bytesPerPixel();
    const auto sw = static_cast<std::int64_t>(source.width());
    const auto sh = static_cast<std::int64_t>(source.height());
    std::vector<int> columns(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x)
        columns[static_cast<std::size_t>(x)] = static_cast<int>(x * sw / width);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = source.row(static_cast<int>(y * sh / height));
        std::uint8_t* dst = out.row(y);
        for (int x = 0; x < width; ++x, dst += bpp)
            std::memcpy(dst, src + static_cast<std::size_t>(columns[static_cast<std::size_t>(x)]) * bpp,
                        static_cast<std::size_t>(bpp));
    }
    return out;
}

void StretchPic(const std::string& source, const std::string& target, int width, int height) {
    const pic::Bitmap bmp = pic::DecodeBmp(pic::ReadWholeFile(source));
    pic::SaveBmpFile(target, StretchNearest(bmp, width, height), 24);
}

} // namespace nodo
