#include "persist/ini/profile_text.h"

#include <utility>

#include "persist/ini/codepage.h"
#include "persist/ini/ini_lines.h"

namespace kavtra {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

struct EncodedText {
    FileEncoding encoding;
    std::string_view body;  // after the byte-order mark
};

EncodedText splitMark(std::string_view bytes) {
    if (bytes.starts_with(kUtf8Mark)) return {FileEncoding::Utf8, bytes.substr(kUtf8Mark.size())};
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return {FileEncoding::Utf16, bytes};
    return {FileEncoding::Windows1251, bytes};
}

std::string toFile(FileEncoding encoding, std::string_view utf8) {
    return encoding == FileEncoding::Utf8 ? std::string(utf8) : toWindows1251(utf8);
}

constexpr std::string_view kUtf16Refusal = "the file is UTF-16 text, which is left as it is";

// A line break in a value would end the key's line and start another one,
// so a name typed with one could add keys or sections of its own.
std::string onOneLine(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
        out.push_back(c == '\r' || c == '\n' ? ' ' : c);
    }
    return out;
}

// One read: the names put into the file's encoding, the value found by
// find(section, key) brought back to UTF-8 and cut to `most` characters.
template <typename Find>
std::optional<std::string> readValue(FileEncoding encoding, std::string_view section, std::string_view key,
                                     const Find& find, std::size_t most = kMaxReadChars) {
    if (encoding == FileEncoding::Utf16) return std::nullopt;
    const auto value = find(toFile(encoding, ini::trimBlanks(section)), toFile(encoding, ini::trimBlanks(key)));
    if (!value) return std::nullopt;
    if (encoding == FileEncoding::Utf8) return std::string(firstCharacters(*value, most));
    return fromWindows1251(value->substr(0, most));
}

// A section's key names in UTF-8, `find` giving them in the file's own
// encoding for the section's name in it.
template <typename Find>
std::vector<std::string> keyNamesIn(FileEncoding encoding, std::string_view section, const Find& find) {
    std::vector<std::string> names;
    if (encoding == FileEncoding::Utf16) return names;
    for (const std::string_view name : find(toFile(encoding, ini::trimBlanks(section))))
        names.push_back(encoding == FileEncoding::Utf8 ? std::string(name) : fromWindows1251(name));
    return names;
}

}  // namespace

std::optional<std::string> readProfileValue(std::string_view fileBytes, std::string_view section,
                                            std::string_view key) {
    const EncodedText text = splitMark(fileBytes);
    return readValue(text.encoding, section, key,
                     [&](std::string_view s, std::string_view k) { return ini::findValue(text.body, s, k); });
}

std::vector<std::string> readProfileSectionNames(std::string_view fileBytes) {
    const EncodedText text = splitMark(fileBytes);
    std::vector<std::string> names;
    if (text.encoding == FileEncoding::Utf16) return names;
    for (const std::string_view name : ini::sectionNames(text.body))
        names.push_back(text.encoding == FileEncoding::Utf8 ? std::string(name) : fromWindows1251(name));
    return names;
}

std::vector<std::string> readProfileKeyNames(std::string_view fileBytes, std::string_view section) {
    const EncodedText text = splitMark(fileBytes);
    return keyNamesIn(text.encoding, section, [&](std::string_view s) { return ini::keyNames(text.body, s); });
}

ProfileReader::ProfileReader(std::string fileBytes)
    : bytes_(std::move(fileBytes)), encoding_(splitMark(bytes_).encoding), sections_(splitMark(bytes_).body) {}

std::optional<std::string> ProfileReader::value(std::string_view section, std::string_view key) const {
    return readValue(encoding_, section, key,
                     [&](std::string_view s, std::string_view k) { return sections_.findValue(s, k); });
}

std::optional<std::string> ProfileReader::wholeValue(std::string_view section, std::string_view key) const {
    return readValue(
        encoding_, section, key, [&](std::string_view s, std::string_view k) { return sections_.findValue(s, k); },
        std::string_view::npos);
}

std::vector<std::string> ProfileReader::keyNames(std::string_view section) const {
    return keyNamesIn(encoding_, section, [&](std::string_view s) { return sections_.keyNames(s); });
}

std::optional<std::string_view> ProfileReader::unreadable() const {
    if (encoding_ == FileEncoding::Utf16) return kUtf16NotRead;
    return std::nullopt;
}

ProfileEdit::ProfileEdit(std::string_view fileBytes)
    : encoding_(splitMark(fileBytes).encoding), document_(splitMark(fileBytes).body) {}

std::optional<std::string_view> ProfileEdit::write(std::string_view section, std::string_view key,
                                                   std::string_view value) {
    if (encoding_ == FileEncoding::Utf16) return kUtf16Refusal;
    const std::string_view sectionName = ini::trimBlanks(section);
    const std::string_view keyName = ini::trimBlanks(key);
    if (sectionName.find_first_of("\r\n]") != std::string_view::npos) {
        return "a section name cannot hold a line break or ']'";
    }
    if (keyName.find_first_of("\r\n=") != std::string_view::npos || keyName.starts_with('[') ||
        keyName.starts_with(';')) {
        return "a key name cannot hold a line break or '=', nor start with '[' or ';'";
    }
    if (document_.set(toFile(encoding_, sectionName), toFile(encoding_, keyName),
                      toFile(encoding_, onOneLine(value)))) {
        changed_ = true;
    }
    return std::nullopt;
}

std::optional<std::string_view> ProfileEdit::removeSection(std::string_view section) {
    if (encoding_ == FileEncoding::Utf16) return kUtf16Refusal;
    if (document_.remove(toFile(encoding_, ini::trimBlanks(section)))) changed_ = true;
    return std::nullopt;
}

void ProfileEdit::startAsUtf8() {
    if (encoding_ != FileEncoding::Windows1251 || !document_.empty()) return;
    encoding_ = FileEncoding::Utf8;
    changed_ = true;
}

std::string ProfileEdit::bytes() const {
    std::string text = document_.text();
    if (encoding_ == FileEncoding::Utf8) text.insert(0, kUtf8Mark);
    return text;
}

}  // namespace kavtra
