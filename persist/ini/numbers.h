#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kavtra {

// The numeric reading of INI values: the number at the start of the text
// (blanks, tabs and line feeds skipped anywhere, optional sign, digits with
// "." whatever the locale, optional exponent, &H hexadecimal, &O octal);
// stops at the first other character; 0 when there is no number.
double numericReading(std::string_view text);

// The whole-number conversion of the policy codes: the whole text, blanks
// around it allowed, must be a whole number in the 16-bit range.
std::optional<std::int16_t> wholeNumber16(std::string_view text);

// Nearest whole number, halves to the even neighbour, then clamped to the
// type's range (never wrapping into a wrong number).
std::int16_t roundToInt16(double value);
std::int32_t roundToInt32(double value);

// The written form of geometry values: single precision, no leading blank,
// for example "1000" or "-60".
std::string writtenForm(float value);

}  // namespace kavtra
