#include "persist/ini/ini_lines.h"

namespace kavtra::ini {
namespace {

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v'; }

std::string_view trimBlanks(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lowerAscii(c);
    return out;
}

bool LineReader::next(Line& line) {
    if (done_) return false;
    // find_first_of would call memchr on its set for every byte of the file.
    std::size_t stop = 0;
    while (stop < rest_.size() && rest_[stop] != '\r' && rest_[stop] != '\n') ++stop;
    if (stop == rest_.size()) {
        done_ = true;
        if (rest_.empty()) return false;
        line = {rest_, {}};
        return true;
    }
    const std::size_t endLength = rest_[stop] == '\r' && stop + 1 < rest_.size() && rest_[stop + 1] == '\n' ? 2 : 1;
    line = {rest_.substr(0, stop), rest_.substr(stop, endLength)};
    rest_.remove_prefix(stop + endLength);
    return true;
}

LineSyntax parseLine(std::string_view text) {
    LineSyntax syntax;
    std::size_t first = 0;
    while (first < text.size() && isBlank(text[first])) ++first;
    if (first == text.size() || text[first] == ';') return syntax;
    if (text[first] == '[') {
        const std::string_view inner = text.substr(first + 1);
        syntax.kind = LineSyntax::Kind::Section;
        syntax.name = trimBlanks(inner.substr(0, inner.find(']')));
        return syntax;
    }
    const std::size_t equals = text.find('=', first);
    if (equals == std::string_view::npos) return syntax;
    syntax.kind = LineSyntax::Kind::Key;
    syntax.name = trimBlanks(text.substr(first, equals - first));
    std::size_t begin = equals + 1;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    syntax.value = text.substr(begin, end - begin);
    syntax.valueBegin = begin;
    syntax.valueEnd = end;
    return syntax;
}

}  // namespace kavtra::ini
