// libFuzzer target of DecodeGif; what it checks is in DecodeCheck.h.
#include "DecodeCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nodo::pic::fuzz::CheckDecoder(nodo::pic::DecodeGif, {data, size});
    return 0;
}
