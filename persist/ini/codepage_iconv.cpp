#include <iconv.h>

#include <stdexcept>

#include "persist/ini/codepage.h"

namespace kavtra::platform {
namespace {

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
            // iconv stopped at a character it refused: skip it whole.
            const std::size_t skip = utf8Input_ ? utf8SequenceLength({inPtr, inLeft}) : 1;
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

std::string encodeWindows1251(std::string_view utf8) {
    thread_local const Converter convert("CP1251", "UTF-8", true, 1);
    return convert(utf8);
}

std::string decodeWindows1251(std::string_view bytes) {
    thread_local const Converter convert("UTF-8", "CP1251", false, 3);
    return convert(bytes);
}

}  // namespace kavtra::platform
