#include "persist/codepage.h"

namespace kavtra {
namespace {

// Plain ASCII is the same in both encodings, and it is what almost every
// name and value is: no converter needed.
bool isAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

std::string toWindows1251(std::string_view utf8) {
    return isAscii(utf8) ? std::string(utf8) : platform::encodeWindows1251(utf8);
}

std::string fromWindows1251(std::string_view bytes) {
    return isAscii(bytes) ? std::string(bytes) : platform::decodeWindows1251(bytes);
}

std::size_t utf8SequenceLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 1;
    if (length > text.size()) return 1;
    for (std::size_t i = 1; i < length; ++i) {
        if (!isContinuation(static_cast<unsigned char>(text[i]))) return 1;
    }
    return length;
}

std::string_view firstCharacters(std::string_view utf8, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t seen = 0; seen < count && i < utf8.size(); ++seen) i += utf8SequenceLength(utf8.substr(i));
    return utf8.substr(0, i);
}

}  // namespace kavtra
