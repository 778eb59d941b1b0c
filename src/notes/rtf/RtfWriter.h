#pragma once
#include "notes/rtf/RichText.h"

#include <string>

namespace nodo::rtf {

// The document as RTF that a Windows rich-edit control or a word processor reads: a font table
// with each face's character set, a colour table, one \pard ... \par per paragraph and one group
// per formatted run. Every character outside ASCII is written as \uN with '?' as its fallback, so
// the bytes are plain ASCII whatever the text.
std::string WriteRtf(const Document& doc);

} // namespace nodo::rtf
