// sway's IPC client against a socket of the test's own, answering one request as each case says.
#include "platform/desktop/SwayIpc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace nodo::desktop;

namespace {

std::string Frame(const char* magic, std::uint32_t type, const std::string& payload, std::uint32_t length) {
    std::string m(magic, 6);
    m.append(reinterpret_cast<const char*>(&length), 4);
    m.append(reinterpret_cast<const char*>(&type), 4);
    return m + payload;
}

struct IpcCase {
    const char* name;
    std::string answer; // what the server sends back after reading the request
    bool ok;
    const char* said; // part of the error, or the payload when ok
};

class Ipc : public ::testing::TestWithParam<IpcCase> {};

TEST_P(Ipc, OneRequestOneAnswer) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("nodo-ipc-" + std::to_string(::getpid()) + ".sock"))
            .string();
    std::filesystem::remove(path);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    std::string request;
    std::thread server([&] {
        const int c = ::accept(listener, nullptr, nullptr);
        char buf[256];
        const ssize_t n = ::recv(c, buf, sizeof buf, 0);
        if (n > 0) request.assign(buf, std::size_t(n));
        ::send(c, GetParam().answer.data(), GetParam().answer.size(), MSG_NOSIGNAL);
        ::close(c);
    });
    std::string error;
    const auto reply =
        SwayRequest(path, SwayMessage::RunCommand, "[con_id=7] move absolute position 1 px 2 px", error);
    server.join();
    ::close(listener);
    std::filesystem::remove(path);
    EXPECT_EQ(request, Frame("i3-ipc", 0, "[con_id=7] move absolute position 1 px 2 px", 43));
    EXPECT_EQ(reply.has_value(), GetParam().ok) << error;
    if (reply)
        EXPECT_EQ(*reply, GetParam().said);
    else
        EXPECT_NE(error.find(GetParam().said), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Ipc,
    ::testing::Values(IpcCase{"Answered", Frame("i3-ipc", 0, "[{\"success\":true}]", 18), true,
                              "[{\"success\":true}]"},
                      IpcCase{"NoAnswer", "", false, "no answer"},
                      IpcCase{"NotTheProtocol", Frame("HTTP/1", 0, "", 0), false, "not an IPC answer"},
                      IpcCase{"AnotherType", Frame("i3-ipc", 4, "{}", 2), false, "not an IPC answer"},
                      IpcCase{"CutOff", Frame("i3-ipc", 0, "[{\"suc", 18), false, "cut-off"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SwayIpcTest, NoSocketIsSaid) {
    std::string error;
    EXPECT_FALSE(SwayRequest("", SwayMessage::GetTree, {}, error));
    EXPECT_EQ(error, "no IPC socket");
    EXPECT_FALSE(SwayRequest("/nonexistent/sway-ipc.sock", SwayMessage::GetTree, {}, error));
    EXPECT_NE(error.find("cannot reach /nonexistent/sway-ipc.sock"), std::string::npos) << error;
}

} // namespace
