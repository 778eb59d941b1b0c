#pragma once
// Notes as other programs store them: what an editor here does not keep (a picture, a table,
// indents and spacing), so that a rewrite through the reader and writer is plain to see.
#include "RtfEscapes.h"

#include <string>

namespace nodo::testing {

inline std::string ForeignDay() {
    return "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 " + HexEscaped("宋体") +
           ";}}\r\n{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
           "\\viewkind4\\uc1\\pard\\li720\\fi-360\\sb120\\sa240\\f0\\fs24 " +
           HexEscaped("缩进的一段") +
           "\\par\r\n"
           "{\\pict\\pngblip\\picw16\\pich16\\picwgoal240\\pichgoal240 "
           "89504e470d0a1a0a0000000d4948445200000010000000100806000000}\\par\r\n"
           "\\trowd\\cellx2000\\cellx4000\\pard\\intbl " +
           HexEscaped("甲") + "\\cell " + HexEscaped("乙") +
           "\\cell\\row\r\n"
           "\\pard\\cf1 red\\cf0\\par\r\n}\r\n";
}

} // namespace nodo::testing
