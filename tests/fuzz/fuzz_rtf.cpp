// libFuzzer target of the RTF reader: any input reads without a crash as a normal document, and
// what was read survives our own writer and reader unchanged.
#include "notes/rtf/RtfReader.h"
#include "notes/rtf/RtfWriter.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const nodo::rtf::Document read = nodo::rtf::ReadRtf(bytes);
    if (nodo::rtf::Normalized(read) != read) std::abort();
    if (nodo::rtf::ReadRtf(nodo::rtf::WriteRtf(read)) != read) std::abort();
    return 0;
}
