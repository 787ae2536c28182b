#pragma once
// The two value kinds everything else is written in.
//
// Text: GBK (code page 936) bytes with no zero byte inside. Lengths and
// positions are bytes; walks that step through a text are double-byte aware
// (a byte of 0x80 or above leads a two-byte character).
//
// Bytes: a length-counted byte buffer in which zero bytes are allowed. It is
// a separate type on purpose: turning one into the other is always explicit
// (ToText, ToBytes).
#include <cstdint>
#include <string>
#include <vector>

namespace quorvane {

using Text = std::string;
using Bytes = std::vector<std::uint8_t>;

// A path as the file system takes it. Paths stay UTF-16 from the file dialog
// to the file call, so a name that GBK cannot spell still opens and saves.
using WidePath = std::u16string;

inline bool IsLeadByte(unsigned char b) { return b >= 0x80; }

}  // namespace quorvane
