#include "persist/codepage.h"

#include <iconv.h>

#include <stdexcept>

namespace kavtra {
namespace {

bool isAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence at the start of text, or 1 for a
// byte that starts none: the amount to skip past a character iconv refused.
std::size_t sequenceLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 1;
    if (length > text.size()) return 1;
    for (std::size_t i = 1; i < length; ++i) {
        if (!isContinuation(static_cast<unsigned char>(text[i]))) return 1;
    }
    return length;
}

// One iconv descriptor per direction and thread: opening one costs far more
// than a short conversion, and a descriptor must not be shared by threads.
class Converter {
public:
    Converter(const char* to, const char* from, bool utf8Input, std::size_t growth)
        : cd_(::iconv_open(to, from)), utf8Input_(utf8Input), growth_(growth) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to);
        }
    }
    ~Converter() { ::iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    std::string operator()(std::string_view in) const {
        // Every input byte yields at most growth_ output bytes, a '?' included,
        // so the output never needs to grow.
        std::string out(in.size() * growth_, '\0');
        char* inPtr = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        char* outPtr = out.data();
        std::size_t outLeft = out.size();
        while (inLeft > 0) {
            if (::iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) break;
            const std::size_t skip = utf8Input_ ? sequenceLength({inPtr, inLeft}) : 1;
            inPtr += skip;
            inLeft -= skip;
            *outPtr++ = '?';
            --outLeft;
        }
        out.resize(out.size() - outLeft);
        return out;
    }

private:
    iconv_t cd_;
    bool utf8Input_;
    std::size_t growth_;
};

}  // namespace

std::string toWindows1251(std::string_view utf8) {
    if (isAscii(utf8)) return std::string(utf8);
    thread_local const Converter convert("CP1251", "UTF-8", true, 1);
    return convert(utf8);
}

std::string fromWindows1251(std::string_view bytes) {
    if (isAscii(bytes)) return std::string(bytes);
    thread_local const Converter convert("UTF-8", "CP1251", false, 3);
    return convert(bytes);
}

std::string_view firstCharacters(std::string_view utf8, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t seen = 0; seen < count && i < utf8.size(); ++seen) i += sequenceLength(utf8.substr(i));
    return utf8.substr(0, i);
}

}  // namespace kavtra
