#pragma once
// sway's IPC (the protocol i3 began, on the socket SWAYSOCK or I3SOCK names): one request, one
// reply, each "i3-ipc", the payload's length and the message's type, then the payload (JSON).
#include <cstdint>
#include <optional>
#include <string>

namespace nodo::desktop {

enum class SwayMessage : std::uint32_t { RunCommand = 0, GetTree = 4 };

// The reply's payload, or nothing with `error` saying why (no socket, no answer within two seconds,
// an answer that is not the protocol's).
std::optional<std::string> SwayRequest(const std::string& socket, SwayMessage type,
                                       const std::string& payload, std::string& error);

} // namespace nodo::desktop
