// libFuzzer target of DecodeBmp; what it checks is in DecodeCheck.h.
#include "DecodeCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nodo::pic::fuzz::CheckDecoder(nodo::pic::DecodeBmp, {data, size});
    return 0;
}
