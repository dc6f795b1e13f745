#include "persist/ini/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "persist/ini/ini_lines.h"

namespace kavtra {
namespace {

constexpr double kLargest = std::numeric_limits<double>::max();

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int digitValue(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// &H and &O numbers: whole, never negative, as many digits as there are.
double radixNumber(std::string_view digits, int radix) {
    double value = 0;
    for (const char c : digits) {
        const int digit = digitValue(c);
        if (digit >= radix) break;
        value = value * radix + digit;
    }
    return std::min(value, kLargest);
}

// The decimal number at the start of text (blanks already removed): digits
// with an optional point, then an optional exponent. A number too large for
// a double reads as the largest one, a number too small as 0.
double decimalNumber(std::string_view text) {
    std::size_t end = 0;
    std::size_t digits = 0;
    while (end < text.size() && isDigit(text[end])) ++end, ++digits;
    if (end < text.size() && text[end] == '.') {
        ++end;
        while (end < text.size() && isDigit(text[end])) ++end, ++digits;
    }
    if (digits == 0) return 0;
    const std::size_t mantissaEnd = end;
    long exponent = 0;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t at = end + 1;
        const bool negative = at < text.size() && text[at] == '-';
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
        if (at < text.size() && isDigit(text[at])) {
            while (at < text.size() && isDigit(text[at])) {
                exponent = std::min(exponent * 10 + (text[at] - '0'), 1'000'000L);
                ++at;
            }
            if (negative) exponent = -exponent;
            end = at;
        }
    }
    double value = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + end, value);
    if (error != std::errc::result_out_of_range) return value;
    // Out of range: too large when the first significant digit stands left
    // of the point once the exponent is applied.
    const std::string_view mantissa = text.substr(0, mantissaEnd);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t firstSignificant = mantissa.find_first_of("123456789");
    if (firstSignificant == std::string_view::npos) return 0;
    const long position = static_cast<long>(point) - static_cast<long>(firstSignificant) + exponent;
    return position > 0 ? kLargest : 0;
}

double roundHalfToEven(double value) {
    if (std::isnan(value)) return 0;
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    return whole;
}

template <typename Int>
Int roundTo(double value) {
    const double rounded = roundHalfToEven(value);
    if (rounded <= std::numeric_limits<Int>::min()) return std::numeric_limits<Int>::min();
    if (rounded >= std::numeric_limits<Int>::max()) return std::numeric_limits<Int>::max();
    return static_cast<Int>(rounded);
}

}  // namespace

double numericReading(std::string_view text) {
    std::string packed;
    packed.reserve(text.size());
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') packed.push_back(c);
    }
    const std::string_view s = packed;
    if (s.size() >= 2 && s[0] == '&') {
        if (s[1] == 'H' || s[1] == 'h') return radixNumber(s.substr(2), 16);
        if (s[1] == 'O' || s[1] == 'o') return radixNumber(s.substr(2), 8);
    }
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        const double value = decimalNumber(s.substr(1));
        return s[0] == '-' ? -value : value;
    }
    return decimalNumber(s);
}

std::optional<std::int16_t> wholeNumber16(std::string_view text) {
    std::string_view s = ini::trimBlanks(text);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) return std::nullopt;
    long value = 0;
    for (const char c : s) {
        if (!isDigit(c)) return std::nullopt;
        value = std::min(value * 10 + (c - '0'), 100'000L);
    }
    if (negative) value = -value;
    if (value < std::numeric_limits<std::int16_t>::min() || value > std::numeric_limits<std::int16_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(value);
}

std::int16_t roundToInt16(double value) { return roundTo<std::int16_t>(value); }
std::int32_t roundToInt32(double value) { return roundTo<std::int32_t>(value); }

std::string writtenForm(float value) {
    if (value == 0) value = 0;  // no "-0"
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 7);
    return std::string(buffer, result.ptr);
}

}  // namespace kavtra
