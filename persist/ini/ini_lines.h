#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kavtra::ini {

// Space, tab and vertical tab: what surrounds names and values without
// belonging to them.
bool isBlank(char c);
std::string_view trimBlanks(std::string_view text);

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);
std::string asciiLower(std::string_view text);

// One line of a file and the line end that closed it: "\r\n", "\n", "\r", or
// nothing for a last line without one.
struct Line {
    std::string_view text;
    std::string_view end;
};

// Walks the lines of a file; CRLF, LF and lone CR all end a line, so files
// from any platform (and a stray CR before a line feed) read the same.
class LineReader {
public:
    explicit LineReader(std::string_view bytes) : rest_(bytes) {}
    bool next(Line& line);

private:
    std::string_view rest_;
    bool done_ = false;
};

// What a line means to the profile rules. A line whose first non-blank
// character is '[' opens a section named up to the first ']' (or the line's
// end); one starting with ';' is a comment; any other line with '=' is a key.
struct LineSyntax {
    enum class Kind { Other, Section, Key };
    Kind kind = Kind::Other;
    std::string_view name;       // section or key name, blanks trimmed
    std::string_view value;      // key value, blanks trimmed
    std::size_t valueBegin = 0;  // the value's place in the line
    std::size_t valueEnd = 0;
};
LineSyntax parseLine(std::string_view text);

}  // namespace kavtra::ini
