#pragma once
// Primitive operations on texts and numbers. Everything that splits, searches
// or converts script text goes through these, so their double-byte aware
// details decide what a script means.
//
// Positions are 1-based byte positions; "not found" is -1. No operation
// changes its inputs; every result is a new value.
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

#include "desktop/text.h"

namespace quorvane {

using TextArray = std::vector<Text>;

// A local calendar date and time to the whole second.
struct DateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// --- Searching, splitting, replacing (one double-byte aware walk) ---

// Position of the first occurrence of sought at or after start, or -1.
int FindSubtext(const Text& text, const Text& sought, std::optional<int> start = std::nullopt,
                bool caseInsensitive = false);

// Parts of text between separators (default ","); a trailing separator gives
// no empty last part. maximum limits the number of parts; the rest is dropped.
TextArray SplitText(const Text& text, std::optional<Text> separator = std::nullopt,
                    std::optional<int> maximum = std::nullopt);

// text with occurrences of sought replaced, from start on, at most maximum of
// them (none or negative: all).
Text ReplaceSubtext(const Text& text, const Text& sought, const Text& replacement,
                    std::optional<int> start, std::optional<int> maximum, bool caseSensitive);

// --- Cleaning and cutting ---

Text RemoveAllSpaces(const Text& text);   // ASCII spaces and full-width A1 A1
Text LeftText(const Text& text, int count);
Text TextToUpper(const Text& text);
Text ConcatTexts(std::initializer_list<std::string_view> texts);

// --- Conversions ---

int ToInteger(const Text& text);  // folds full-width forms, then reads a decimal
int ToInteger(const char* text);
int ToInteger(double value);
int ToInteger(float value);
int ToInteger(bool value);
int ToInteger(std::uint8_t value);
int ToInteger(std::int16_t value);
int ToInteger(std::int32_t value);
int ToInteger(std::int64_t value);
int ToInteger(const DateTime& value);  // 0
int ToInteger(const Bytes& value);     // 0

Text ToText(std::int32_t value);
Text ToText(std::int16_t value);
Text ToText(std::uint8_t value);
Text ToText(std::int64_t value);
Text ToText(double value);  // "%.13g"
Text ToText(float value);   // "%.6g"
Text ToText(bool value);    // "真" / "假"
Text ToText(const Text& value);
Text ToText(const char* value);
Text ToText(const Bytes& value);  // up to the first zero byte
Text ToText(const DateTime& value);

Bytes ToBytes(const Text& value);
Bytes ToBytes(const char* value);
Bytes ToBytes(std::uint8_t value);
Bytes ToBytes(std::int16_t value);
Bytes ToBytes(std::int32_t value);
Bytes ToBytes(std::int64_t value);
Bytes ToBytes(float value);
Bytes ToBytes(double value);
Bytes ToBytes(bool value);  // 4 bytes
Bytes ToBytes(const Bytes& value);
Bytes ToBytes(const DateTime& value);

// --- Random integers ---

// A value between the two bounds (either order; below 0 counts as 0) from the
// program's one generator. Equal bounds draw nothing.
int RandomInt(std::optional<int> minimum = std::nullopt, std::optional<int> maximum = std::nullopt);

// Puts the program's generator back to its starting state, as at a fresh
// start. Only tests call it: the program itself never reseeds.
void ResetRandomGeneratorForTesting();

// --- Arithmetic and time ---

// The floating remainder of a by each divisor in turn; a zero divisor is the
// fatal stop "不能求余数于零".
double Remainder(double a, std::initializer_list<double> divisors);

DateTime CurrentDateTime();
int SecondOf(const DateTime& value);

}  // namespace quorvane
