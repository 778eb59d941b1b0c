#include "platform/desktop/SwayIpc.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace nodo::desktop {

namespace {

constexpr char kMagic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr std::size_t kHeader = sizeof kMagic + 2 * sizeof(std::uint32_t);

class Socket {
public:
    Socket() : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
    ~Socket() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

bool SendAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

bool ReceiveAll(int fd, char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::recv(fd, data, size, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

} // namespace

std::optional<std::string> SwayRequest(const std::string& socket, SwayMessage type,
                                       const std::string& payload, std::string& error) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socket.empty() || socket.size() >= sizeof address.sun_path) {
        error = "no IPC socket";
        return std::nullopt;
    }
    std::memcpy(address.sun_path, socket.c_str(), socket.size() + 1);
    Socket s;
    const timeval wait{2, 0};
    if (s.fd() < 0 || ::setsockopt(s.fd(), SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait) != 0 ||
        ::connect(s.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = "cannot reach " + socket + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::string message(kMagic, sizeof kMagic);
    const std::uint32_t head[2] = {static_cast<std::uint32_t>(payload.size()),
                                   static_cast<std::uint32_t>(type)};
    message.append(reinterpret_cast<const char*>(head), sizeof head);
    message += payload;
    char reply[kHeader];
    if (!SendAll(s.fd(), message.data(), message.size()) || !ReceiveAll(s.fd(), reply, kHeader)) {
        error = "no answer from " + socket;
        return std::nullopt;
    }
    std::uint32_t replyHead[2];
    std::memcpy(replyHead, reply + sizeof kMagic, sizeof replyHead);
    // A reply is never near this size; a larger length is not this protocol.
    constexpr std::uint32_t kLargest = 64u << 20;
    if (std::memcmp(reply, kMagic, sizeof kMagic) != 0 || replyHead[1] != head[1] ||
        replyHead[0] > kLargest) {
        error = "not an IPC answer from " + socket;
        return std::nullopt;
    }
    std::string body(replyHead[0], '\0');
    if (!ReceiveAll(s.fd(), body.data(), body.size())) {
        error = "a cut-off answer from " + socket;
        return std::nullopt;
    }
    return body;
}

} // namespace nodo::desktop
