#pragma once
// Script files: GBK bytes with CR LF line breaks, no byte-order mark, no
// terminator. Saving writes exactly that. Loading also takes files made
// elsewhere: UTF-8 (with or without a byte-order mark) and lone LF or CR
// line breaks. Which conversion a file needs is decided here; the code page
// conversion itself is the system's, handed in by the caller.
#include <functional>
#include <string>
#include <string_view>

#include "desktop/text.h"

namespace quorvane {

// A file's bytes up to its first zero byte, and how they are encoded.
struct ScriptFileContent {
  bool utf8 = false;  // valid UTF-8 beyond plain ASCII; byte-order mark removed
  std::string bytes;
};

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// Cuts at the first zero byte, then decides: a byte-order mark or valid UTF-8
// that is not plain ASCII is UTF-8; everything else is GBK, taken as it is.
ScriptFileContent ClassifyScriptFile(const Bytes& file);

// Every LF alone and CR alone becomes CR LF; CR LF stays. (Neither byte can
// be the second half of a GBK character.)
Text WithCrLfLineBreaks(const Text& text);

// The editor's text from a file's bytes; utf8ToGbk converts UTF-8 to GBK.
Text ScriptTextFromFile(const Bytes& file, const std::function<Text(const std::string&)>& utf8ToGbk);

}  // namespace quorvane
