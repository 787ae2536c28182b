#pragma once
// What the fuzz targets share: a property check that stops the run the way
// libFuzzer expects, and the space test the properties need.
#include <cstdio>
#include <cstdlib>

#include "desktop/text.h"

namespace quorvane::fuzz {

// Reports where the broken property stands, then stops.
[[noreturn]] inline void Fail(const char* file, int line) {
  std::fprintf(stderr, "property broken at %s:%d\n", file, line);
  std::abort();
}

// Whether text holds a space as a character of its own: an ASCII space or a
// full-width one. A byte 0x20 after a lead byte is that character's trail.
inline bool HasSpaceCharacter(const Text& text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      if (b == ' ') return true;
      i += 1;
    } else {
      if (i + 1 < text.size() && b == 0xA1 && static_cast<unsigned char>(text[i + 1]) == 0xA1) return true;
      i += 2;
    }
  }
  return false;
}

}  // namespace quorvane::fuzz

#define Check(condition) ((condition) ? (void)0 : ::quorvane::fuzz::Fail(__FILE__, __LINE__))
