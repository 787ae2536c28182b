#include "desktop/script_file_format.h"

#include <algorithm>

namespace quorvane {
namespace {
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
}

bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // range of the first continuation byte
    if (b >= 0xC2 && b <= 0xDF) {
      length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3;
      if (b == 0xE0) low = 0xA0;   // overlong
      if (b == 0xED) high = 0x9F;  // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4;
      if (b == 0xF0) low = 0x90;   // overlong
      if (b == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
      return false;
    }
    if (i + length > bytes.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto c = static_cast<unsigned char>(bytes[i + k]);
      if (k == 1 ? (c < low || c > high) : (c < 0x80 || c > 0xBF)) return false;
    }
    i += length;
  }
  return true;
}

ScriptFileContent ClassifyScriptFile(const Bytes& file) {
  const auto zero = std::find(file.begin(), file.end(), std::uint8_t{0});
  ScriptFileContent content{false, std::string(file.begin(), zero)};
  if (content.bytes.starts_with(kUtf8Mark)) {
    // The mark says UTF-8 whatever follows; bad sequences become the
    // system's replacement character rather than GBK nonsense.
    content.bytes.erase(0, kUtf8Mark.size());
    content.utf8 = true;
    return content;
  }
  const bool ascii = std::all_of(content.bytes.begin(), content.bytes.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  content.utf8 = !ascii && IsValidUtf8(content.bytes);
  return content;
}

Text WithCrLfLineBreaks(const Text& text) {
  Text out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (text[i] == '\n') {
      out += "\r\n";
    } else {
      out += text[i];
    }
  }
  return out;
}

Text ScriptTextFromFile(const Bytes& file, const std::function<Text(const std::string&)>& utf8ToGbk) {
  ScriptFileContent content = ClassifyScriptFile(file);
  Text text = content.utf8 ? utf8ToGbk(content.bytes) : std::move(content.bytes);
  // A conversion never yields a zero byte from a file without one, but a
  // text must not hold one whatever the converter does.
  text.erase(std::find(text.begin(), text.end(), '\0'), text.end());
  return WithCrLfLineBreaks(text);
}

}  // namespace quorvane
