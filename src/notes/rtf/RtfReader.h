#pragma once
#include "notes/rtf/RichText.h"

#include <string_view>

namespace nodo::rtf {

// Whether the bytes are RTF: they start with "{\rtf" (after blanks), as an editor decides.
bool LooksLikeRtf(std::string_view bytes);

// Reads RTF tolerantly: what WriteRtf writes comes back as it was, and RTF from a Windows rich-edit
// control or a word processor loads with its text intact: \ansicpgN and the fonts' character sets
// for \'xx bytes (GBK and the other Windows code pages), \uN with its \ucN fallback, \* and other
// destinations that hold no text skipped, \bin data skipped, unknown control words ignored. Never
// throws on any input; time and memory grow linearly with the input, however deep the groups nest.
Document ReadRtf(std::string_view bytes);

} // namespace nodo::rtf
