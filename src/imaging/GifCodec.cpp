#include "imaging/Codecs.h"
#include "imaging/MemoryWriter.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gif_lib.h>

namespace nodo::pic {
namespace {

using detail::MemoryWriter;

[[noreturn]] void fail(PictureErrorKind kind, const std::string& what) {
    throw PictureError(kind, "GIF: " + what);
}

std::string gifError(int code) {
    const char* text = GifErrorString(code);
    return text ? text : "error " + std::to_string(code);
}

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

// A giflib error: the file ended early when all of it was read, else its data is bad.
[[noreturn]] void libraryFail(const Reader& reader, int code) {
    fail(reader.pos >= reader.size ? PictureErrorKind::Truncated : PictureErrorKind::Corrupt, gifError(code));
}

int readFn(GifFileType* gif, GifByteType* out, int n) {
    auto* r = static_cast<Reader*>(gif->UserData);
    const std::size_t take =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(n, 0)), r->size - r->pos);
    std::memcpy(out, r->data + r->pos, take);
    r->pos += take;
    return static_cast<int>(take);
}

struct GifReader {
    GifFileType* gif = nullptr;
    ~GifReader() {
        int err = 0;
        if (gif) DGifCloseFile(gif, &err);
    }
};

// An LZW code of at least 3 bits stands for at most 4096 pixels.
constexpr std::uint64_t kMaxPixelsPerByte = 2731;

} // namespace

Bitmap DecodeGif(Bytes data, const DecodeOptions& options) {
    if (data.size() < 13) fail(PictureErrorKind::Truncated, "the file is too short");
    Reader reader{data.data(), data.size(), 0};
    GifReader r;
    int err = 0;
    r.gif = DGifOpen(&reader, readFn, &err);
    if (!r.gif) libraryFail(reader, err);
    GifFileType* gif = r.gif;

    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) libraryFail(reader, gif->Error);
        if (type == IMAGE_DESC_RECORD_TYPE) break;
        if (type == TERMINATE_RECORD_TYPE) fail(PictureErrorKind::Corrupt, "the file holds no picture");
        if (type != EXTENSION_RECORD_TYPE) fail(PictureErrorKind::Corrupt, "unknown record");
        int code = 0;
        GifByteType* ext = nullptr;
        if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR)
            fail(PictureErrorKind::Truncated, gifError(gif->Error));
        if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) {
            GraphicsControlBlock gcb{};
            if (DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK) transparent = gcb.TransparentColor;
        }
        while (ext) {
            if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR)
                fail(PictureErrorKind::Truncated, gifError(gif->Error));
        }
    }
    if (DGifGetImageDesc(gif) == GIF_ERROR) fail(PictureErrorKind::Truncated, gifError(gif->Error));

    const GifImageDesc& desc = gif->Image;
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (!map) fail(PictureErrorKind::Corrupt, "the picture has no colour table");
    const std::uint64_t frameW = static_cast<std::uint64_t>(std::max(desc.Width, 0));
    const std::uint64_t frameH = static_cast<std::uint64_t>(std::max(desc.Height, 0));
    if (frameW == 0 || frameH == 0) fail(PictureErrorKind::Corrupt, "the first frame has no pixels");
    if (frameW * frameH > options.maxPixels)
        fail(PictureErrorKind::TooLarge, "frame of " + std::to_string(frameW) + " x " +
                                             std::to_string(frameH) + " pixels is over the size limit");
    if (frameW * frameH > (reader.size - reader.pos + 1) * kMaxPixelsPerByte)
        fail(PictureErrorKind::Truncated, "the frame header promises more pixels than the file holds");
    int screenW = gif->SWidth, screenH = gif->SHeight;
    if (screenW <= 0 || screenH <= 0) { // no logical screen: the frame's extent is the picture
        screenW = desc.Left + desc.Width;
        screenH = desc.Top + desc.Height;
    }
    if (static_cast<std::uint64_t>(screenW) * static_cast<std::uint64_t>(screenH) > options.maxPixels)
        fail(PictureErrorKind::TooLarge, "picture of " + std::to_string(screenW) + " x " +
                                             std::to_string(screenH) + " pixels is over the size limit");

    const bool covers = desc.Left <= 0 && desc.Top <= 0 && desc.Left + desc.Width >= screenW &&
                        desc.Top + desc.Height >= screenH;
    const bool alpha = transparent != NO_TRANSPARENT_COLOR || !covers;
    Bitmap out(screenW, screenH, alpha ? 32 : 24); // uncovered pixels stay transparent
    out.setSourceBitsPerPixel(map->BitsPerPixel);

    // One lookup per pixel: colour-table entries, black past the table's end, clear for transparent.
    std::uint8_t table[256][4];
    for (int i = 0; i < 256; ++i) {
        GifColorType c{0, 0, 0};
        if (i < map->ColorCount) c = map->Colors[i];
        const bool clear = i == transparent;
        table[i][0] = clear ? 0 : c.Blue;
        table[i][1] = clear ? 0 : c.Green;
        table[i][2] = clear ? 0 : c.Red;
        table[i][3] = clear ? 0 : 255;
    }
    std::vector<GifPixelType> line(frameW);
    const int bpp = out.bytesPerPixel();
    const int firstX = std::max(0, -desc.Left);
    const int endX = std::min(desc.Width, screenW - desc.Left);
    auto putLine = [&](int fy) {
        const int y = desc.Top + fy;
        if (y < 0 || y >= screenH) return;
        std::uint8_t* dst = out.row(y) + static_cast<std::ptrdiff_t>(desc.Left + firstX) * bpp;
        if (bpp == 4)
            for (int fx = firstX; fx < endX; ++fx, dst += 4)
                std::memcpy(dst, table[line[fx]], 4);
        else
            for (int fx = firstX; fx < endX; ++fx, dst += 3)
                std::memcpy(dst, table[line[fx]], 3);
    };
    auto readLine = [&](int fy) {
        if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR) libraryFail(reader, gif->Error);
        putLine(fy);
    };
    if (desc.Interlace) {
        static constexpr int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int fy = start[pass]; fy < desc.Height; fy += step[pass])
                readLine(fy);
    } else {
        for (int fy = 0; fy < desc.Height; ++fy)
            readLine(fy);
    }
    return out;
}

namespace {

int writeFn(GifFileType* gif, const GifByteType* data, int n) {
    return static_cast<MemoryWriter*>(gif->UserData)->append(data, static_cast<std::size_t>(n)) ? n : 0;
}

struct GifWriter {
    GifFileType* gif = nullptr;
    ColorMapObject* map = nullptr;
    ~GifWriter() {
        int err = 0;
        if (gif) EGifCloseFile(gif, &err);
        if (map) GifFreeMapObject(map);
    }
};

// Maps colours to palette indices: the exact colours when there are few enough, else a fixed
// 6x7x6 cube (green gets the extra level because the eye sees it best).
struct Palette {
    std::vector<std::uint32_t> colours; // 0xRRGGBB
    int transparent = -1;
    bool exact = true;
    std::vector<std::uint32_t> slots = std::vector<std::uint32_t>(1024, 0xFFFFFFFFu); // colour
    std::vector<std::uint8_t> slotIndex = std::vector<std::uint8_t>(1024, 0);

    bool addExact(std::uint32_t c, int limit) {
        std::size_t h = (c * 2654435761u) >> 22;
        while (slots[h] != 0xFFFFFFFFu) {
            if (slots[h] == c) return true;
            h = (h + 1) & 1023;
        }
        if (static_cast<int>(colours.size()) >= limit) return false;
        slots[h] = c;
        slotIndex[h] = static_cast<std::uint8_t>(colours.size());
        colours.push_back(c);
        return true;
    }
    std::uint8_t exactIndex(std::uint32_t c) const {
        std::size_t h = (c * 2654435761u) >> 22;
        while (slots[h] != c)
            h = (h + 1) & 1023;
        return slotIndex[h];
    }
    static std::uint8_t cubeIndex(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        return static_cast<std::uint8_t>((r * 6 / 256) * 42 + (g * 7 / 256) * 6 + b * 6 / 256);
    }
};

bool isTransparent(const std::uint8_t* p, int bpp) {
    return bpp == 4 && p[3] < 128;
}

} // namespace

std::vector<std::uint8_t> EncodeGif(const Bitmap& bitmap) {
    if (bitmap.empty())
        throw PictureError(PictureErrorKind::Unsupported, "GIF: cannot write an empty picture");
    if (bitmap.width() > 65535 || bitmap.height() > 65535)
        throw PictureError(PictureErrorKind::TooLarge, "GIF: a picture side is limited to 65535 pixels");
    const int w = bitmap.width(), h = bitmap.height(), bpp = bitmap.bytesPerPixel();

    Palette pal;
    bool anyTransparent = false;
    for (int y = 0; y < h && pal.exact; ++y) {
        const std::uint8_t* row = bitmap.row(y);
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = row + static_cast<std::size_t>(x) * bpp;
            if (isTransparent(p, bpp)) {
                anyTransparent = true;
                continue;
            }
            if (!pal.addExact((p[2] << 16) | (p[1] << 8) | p[0], 255)) {
                pal.exact = false;
                break;
            }
        }
    }
    if (!pal.exact) {
        pal.colours.clear();
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 7; ++g)
                for (int b = 0; b < 6; ++b)
                    pal.colours.push_back(static_cast<std::uint32_t>(((r * 255 / 5) << 16) |
                                                                     ((g * 255 / 6) << 8) | (b * 255 / 5)));
        for (int y = 0; y < h && !anyTransparent; ++y)
            for (int x = 0; x < w && !anyTransparent; ++x)
                anyTransparent = isTransparent(bitmap.row(y) + static_cast<std::size_t>(x) * bpp, bpp);
    }
    if (anyTransparent) {
        pal.transparent = static_cast<int>(pal.colours.size());
        pal.colours.push_back(0xFFFFFF);
    }
    int mapSize = 2;
    while (mapSize < static_cast<int>(pal.colours.size()))
        mapSize *= 2;

    GifWriter wr;
    std::vector<GifColorType> colours(mapSize, GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < pal.colours.size(); ++i)
        colours[i] = GifColorType{static_cast<GifByteType>(pal.colours[i] >> 16),
                                  static_cast<GifByteType>(pal.colours[i] >> 8),
                                  static_cast<GifByteType>(pal.colours[i])};
    wr.map = GifMakeMapObject(mapSize, colours.data());
    MemoryWriter out;
    int err = 0;
    wr.gif = EGifOpen(&out, writeFn, &err);
    if (!wr.gif || !wr.map) throw PictureError(PictureErrorKind::Io, "GIF: " + gifError(err));
    auto check = [&](int rc) {
        if (rc == GIF_ERROR) throw PictureError(PictureErrorKind::Io, "GIF: " + gifError(wr.gif->Error));
    };
    EGifSetGifVersion(wr.gif, anyTransparent);
    check(EGifPutScreenDesc(wr.gif, w, h, wr.map->BitsPerPixel, 0, wr.map));
    if (anyTransparent) {
        GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, pal.transparent};
        GifByteType ext[4];
        EGifGCBToExtension(&gcb, ext);
        check(EGifPutExtension(wr.gif, GRAPHICS_EXT_FUNC_CODE, 4, ext));
    }
    check(EGifPutImageDesc(wr.gif, 0, 0, w, h, false, nullptr));
    std::vector<GifPixelType> line(w);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = bitmap.row(y);
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = row + static_cast<std::size_t>(x) * bpp;
            if (isTransparent(p, bpp))
                line[x] = static_cast<GifPixelType>(pal.transparent);
            else if (pal.exact)
                line[x] = pal.exactIndex((p[2] << 16) | (p[1] << 8) | p[0]);
            else
                line[x] = Palette::cubeIndex(p[2], p[1], p[0]);
        }
        check(EGifPutLine(wr.gif, line.data(), w));
    }
    GifFileType* gif = wr.gif;
    wr.gif = nullptr;
    if (EGifCloseFile(gif, &err) == GIF_ERROR)
        throw PictureError(PictureErrorKind::Io, "GIF: " + gifError(err));
    return out.take();
}

} // namespace nodo::pic
