#include "imaging/PictureFile.h"

#include "imaging/BmpLayout.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace nodo::pic {

PictureFormat FormatByExtension(std::string_view fileName) {
    const std::size_t slash = fileName.find_last_of('/');
    const std::string_view base = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
    const std::size_t dot = base.find_last_of('.');
    if (dot == std::string_view::npos) return PictureFormat::Unknown;
    std::string ext(base.substr(dot));
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (ext == ".bmp") return PictureFormat::Bmp;
    if (ext == ".jpg" || ext == ".jpeg") return PictureFormat::Jpeg;
    if (ext == ".png") return PictureFormat::Png;
    if (ext == ".gif") return PictureFormat::Gif;
    return PictureFormat::Unknown;
}
namespace fs = std::filesystem;
namespace {

[[noreturn]] void ioFail(const std::string& what, const fs::path& path, int err) {
    throw PictureError(PictureErrorKind::Io, what + " \"" + path.string() + "\": " + std::strerror(err));
}

// Owns a descriptor; move-only so that returning one can never close it twice.
struct Fd {
    int fd = -1;
    Fd() = default;
    Fd(Fd&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

Fd openForReading(const fs::path& path, std::uint64_t& size) {
    Fd f;
    f.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (f.fd < 0) ioFail("cannot open", path, errno);
    struct stat st {};
    if (::fstat(f.fd, &st) != 0) ioFail("cannot read", path, errno);
    if (!S_ISREG(st.st_mode))
        throw PictureError(PictureErrorKind::Io, "\"" + path.string() + "\" is not a file");
    if (static_cast<std::uint64_t>(st.st_size) > kMaxFileBytes)
        throw PictureError(PictureErrorKind::TooLarge,
                           "\"" + path.string() + "\" is too large to be a picture");
    size = static_cast<std::uint64_t>(st.st_size);
    return f;
}

// The size bytes of an open file from its start (fewer when it shrank while we read it).
std::vector<std::uint8_t> readAll(int fd, std::uint64_t size, const fs::path& path) {
    std::vector<std::uint8_t> data(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, data.data() + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ioFail("cannot read", path, errno);
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    data.resize(done);
    return data;
}

// Reads the iovecs from offset on, resuming after short reads; false at the end of the file.
bool preadAll(int fd, iovec* iov, std::size_t count, off_t offset) {
    std::size_t first = 0;
    while (first < count) {
        const ssize_t n = ::preadv(fd, iov + first, static_cast<int>(count - first), offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        offset += n;
        std::size_t done = static_cast<std::size_t>(n);
        while (first < count && done >= iov[first].iov_len)
            done -= iov[first++].iov_len;
        if (done) {
            iov[first].iov_base = static_cast<char*>(iov[first].iov_base) + done;
            iov[first].iov_len -= done;
        }
    }
    return true;
}

// Reads plain BMP rows straight into the bitmap, a batch of rows per system call. Nothing else is
// allocated, so the cost is the one copy out of the page cache that any read pays.
bool readRows(int fd, const detail::BmpLayout& l, Bitmap& out) {
    constexpr std::size_t kBatch = IOV_MAX & ~std::size_t{1};
    iovec iov[kBatch];
    std::uint8_t padding[4] = {};
    const std::size_t pad = l.rowBytes - out.stride();
    off_t offset = static_cast<off_t>(l.pixelOffset);
    int fy = 0;
    while (fy < l.height) {
        std::size_t count = 0;
        std::size_t bytes = 0;
        for (; fy < l.height && count + 2 <= kBatch; ++fy) {
            iov[count++] = {out.row(l.topDown ? fy : l.height - 1 - fy), out.stride()};
            bytes += out.stride();
            if (pad && fy + 1 < l.height) { // the last row may lack its padding
                iov[count++] = {padding, pad};
                bytes += pad;
            }
        }
        if (!preadAll(fd, iov, count, offset)) return false;
        offset += static_cast<off_t>(bytes);
    }
    return true;
}

bool writeAll(int fd, std::vector<iovec>& iov) {
    std::size_t first = 0;
    while (first < iov.size()) {
        const int count = static_cast<int>(std::min<std::size_t>(iov.size() - first, IOV_MAX));
        const ssize_t n = ::writev(fd, &iov[first], count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        std::size_t done = static_cast<std::size_t>(n);
        while (first < iov.size() && done >= iov[first].iov_len)
            done -= iov[first++].iov_len;
        if (done) {
            iov[first].iov_base = static_cast<char*>(iov[first].iov_base) + done;
            iov[first].iov_len -= done;
        }
    }
    return true;
}

// Puts the finished temporary file in the target's place (see Replace); false with errno set when
// the target was left as it was.
bool putInPlace(const std::string& temp, const fs::path& path, Replace replace, OldFiles* old) {
    // Only a plain file is swapped: a folder or a link under the name is refused or replaced by
    // the rename, as with Kept.
    struct stat there {};
    if (replace == Replace::Rebuilt && ::lstat(path.c_str(), &there) == 0 && S_ISREG(there.st_mode)) {
        if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) == 0) {
            // The old file now has the temporary name, hidden like any temporary file; it goes.
            if (old)
                old->add(temp);
            else
                ::unlink(temp.c_str());
            return true;
        }
        // No file to swap with (ENOENT), or a file system that cannot swap: a rename does.
        if (errno != ENOENT && errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
    }
    return ::rename(temp.c_str(), path.c_str()) == 0;
}

// Writes to a temporary file beside the target and puts it in the target's place, so a failure
// never leaves a half-written picture under the real name.
void writeReplacing(const fs::path& path, std::vector<iovec>& iov, Replace replace, OldFiles* old) {
    const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::string tmpl = (dir / ("." + path.filename().string() + ".XXXXXX")).string();
    Fd f;
    f.fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
    if (f.fd < 0) ioFail("cannot write", path, errno);
    struct stat st {};
    const mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    ::fchmod(f.fd, mode);
    const bool ok = writeAll(f.fd, iov);
    int err = ok ? 0 : (errno ? errno : EIO);
    if (::close(f.fd) != 0 && ok) err = errno;
    f.fd = -1;
    if (err) {
        ::unlink(tmpl.c_str());
        ioFail("cannot write", path, err);
    }
    if (!putInPlace(tmpl, path, replace, old)) {
        const int renameErr = errno;
        ::unlink(tmpl.c_str());
        ioFail("cannot write", path, renameErr);
    }
}

} // namespace

void OldFiles::add(std::string path) {
    const std::lock_guard lock(m_mutex);
    m_paths.push_back(std::move(path));
}

void OldFiles::removeAll() {
    std::vector<std::string> paths;
    {
        const std::lock_guard lock(m_mutex);
        paths.swap(m_paths);
    }
    for (const auto& p : paths)
        ::unlink(p.c_str());
}

std::vector<std::uint8_t> ReadWholeFile(const fs::path& path) {
    std::uint64_t size = 0;
    const Fd f = openForReading(path, size);
    return readAll(f.fd, size, path);
}

void WriteWholeFile(const fs::path& path, Bytes data, Replace replace, OldFiles* old) {
    std::vector<iovec> iov;
    if (!data.empty()) iov.push_back({const_cast<std::uint8_t*>(data.data()), data.size()});
    writeReplacing(path, iov, replace, old);
}

Bitmap LoadBitmapFile(const fs::path& path, const DecodeOptions& options) {
    std::uint64_t size = 0;
    Fd f = openForReading(path, size);
    if (size == 0) return Bitmap();
    std::uint8_t headBuffer[4096];
    const ssize_t got = ::pread(f.fd, headBuffer, std::min<std::uint64_t>(size, sizeof headBuffer), 0);
    if (got < 0) ioFail("cannot read", path, errno);
    const Bytes head(headBuffer, static_cast<std::size_t>(got));

    if (DetectFormat(head) == PictureFormat::Bmp && head.size() >= 18) {
        const detail::BmpLayout l = detail::ParseBmpLayout(head, size, options);
        if (l.plainRows()) {
            Bitmap out = Bitmap::uninitialized(l.width, l.height, l.outputBpp());
            out.setSourceBitsPerPixel(l.bpp);
            if (!readRows(f.fd, l, out))
                throw PictureError(PictureErrorKind::Truncated, "BMP: \"" + path.string() + "\" ends early");
            detail::MakeOpaqueIfNoAlpha(l, out);
            return out;
        }
    }
    return DecodeAny(readAll(f.fd, size, path), options);
}

void SaveBmpFile(const fs::path& path, const Bitmap& bitmap, int bitsPerPixel, Replace replace,
                 OldFiles* old) {
    // Nothing to write, or another depth: encoded in memory (EncodeBmp checks the depth).
    if (bitmap.empty() || bitmap.bitsPerPixel() != bitsPerPixel) {
        WriteWholeFile(path, EncodeBmp(bitmap, bitsPerPixel), replace, old);
        return;
    }
    // Same depth: the headers, then the bitmap's own rows bottom-up, with no staging copy.
    std::vector<std::uint8_t> headers = BmpHeaders(bitmap.width(), bitmap.height(), bitsPerPixel);
    std::uint8_t padding[4] = {};
    const std::size_t pad = (4 - bitmap.stride() % 4) % 4;
    std::vector<iovec> iov;
    iov.reserve(static_cast<std::size_t>(bitmap.height()) * 2 + 1);
    iov.push_back({headers.data(), headers.size()});
    for (int y = bitmap.height() - 1; y >= 0; --y) {
        iov.push_back({const_cast<std::uint8_t*>(bitmap.row(y)), bitmap.stride()});
        if (pad) iov.push_back({padding, pad});
    }
    writeReplacing(path, iov, replace, old);
}

void SaveJpegFile(const fs::path& path, const Bitmap& bitmap, int quality) {
    const std::vector<std::uint8_t> encoded = EncodeJpeg(bitmap, quality);
    WriteWholeFile(path, encoded);
}

} // namespace nodo::pic
