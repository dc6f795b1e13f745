#include "persist/ini/codepage.h"

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

// Whether a sequence of the length utf8SequenceLength gave is a character:
// not a stray byte, not an overlong form, not a surrogate, not beyond U+10FFFF.
bool isCharacter(std::string_view sequence) {
    const auto byte = [sequence](std::size_t i) {
        return static_cast<unsigned>(static_cast<unsigned char>(sequence[i]));
    };
    switch (sequence.size()) {
    case 1: return byte(0) < 0x80;
    case 2: return true;  // a lead of 0xC2 or more is never overlong
    case 3: {
        const unsigned code = (byte(0) & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F);
        return code >= 0x800 && (code < 0xD800 || code > 0xDFFF);
    }
    default: {
        const unsigned code = (byte(0) & 0x07) << 18 | (byte(1) & 0x3F) << 12 | (byte(2) & 0x3F) << 6 |
                              (byte(3) & 0x3F);
        return code >= 0x10000 && code <= 0x10FFFF;
    }
    }
}

// Each piece that is not a character becomes one '?' here, rather than in
// the platform's converter: iconv and Windows cut broken UTF-8 into pieces
// differently, and the same text must give the same bytes everywhere.
std::string wellFormed(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        const std::string_view piece = utf8.substr(0, utf8SequenceLength(utf8));
        if (isCharacter(piece)) {
            out.append(piece);
        } else {
            out.push_back('?');
        }
        utf8.remove_prefix(piece.size());
    }
    return out;
}

}  // namespace

bool isWellFormedUtf8(std::string_view text) {
    while (!text.empty()) {
        const std::string_view piece = text.substr(0, utf8SequenceLength(text));
        if (!isCharacter(piece)) return false;
        text.remove_prefix(piece.size());
    }
    return true;
}

std::string toWindows1251(std::string_view utf8) {
    return isAscii(utf8) ? std::string(utf8) : platform::encodeWindows1251(wellFormed(utf8));
}

std::string fromWindows1251(std::string_view bytes) {
    return isAscii(bytes) ? std::string(bytes) : platform::decodeWindows1251(bytes);
}

std::size_t utf8SequenceLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead >= 0xF8 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 1;
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
