// libFuzzer target: arbitrary file bytes, names and values through the same
// reader and writer the profile functions use on disk.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "persist/ini/codepage.h"
#include "persist/ini/ini_lines.h"
#include "persist/ini/numbers.h"
#include "persist/ini/profile_text.h"

namespace {

using namespace kavtra;

void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

// Pieces of a value, each with what a Windows-1251 file makes of it.
struct Piece {
    const char* text;
    const char* inWindows1251;
};
constexpr Piece kPieces[] = {
    {"a", "a"},   {"Z", "Z"},   {"0", "0"},   {"=", "="},   {";", ";"},   {"[", "["},       {"]", "]"},
    {" ", " "},   {"\t", "\t"}, {"\v", "\v"}, {"\r", "\r"}, {"\n", "\n"}, {"\r\n", "\r\n"}, {"\"", "\""},
    {"&H", "&H"}, {"Ж", "Ж"},   {"№", "№"},   {"€", "€"},   {"é", "?"},   {"✓", "?"},       {"中", "?"},
};

// What a read gives back after a value was written: line breaks as blanks,
// no blanks at the ends, at most 511 characters.
std::string readBack(const std::string& written) {
    std::string oneLine;
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (written[i] == '\r' && i + 1 < written.size() && written[i + 1] == '\n') ++i;
        oneLine.push_back(written[i] == '\r' || written[i] == '\n' ? ' ' : written[i]);
    }
    return std::string(firstCharacters(ini::trimBlanks(oneLine), kMaxReadChars));
}

bool sameName(std::string_view a, std::string_view b, bool utf8) {
    const auto stored = [utf8](std::string_view name) {
        const std::string_view trimmed = ini::trimBlanks(name);
        return utf8 ? std::string(trimmed) : toWindows1251(trimmed);
    };
    return ini::equalsIgnoringAsciiCase(stored(a), stored(b));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string section = in.ConsumeRandomLengthString(24);
    const std::string key = in.ConsumeRandomLengthString(24);
    const std::string probeSection = in.ConsumeRandomLengthString(24);
    const std::string probeKey = in.ConsumeRandomLengthString(24);
    std::string value;
    std::string value1251;
    for (int n = in.ConsumeIntegralInRange(0, 700); n > 0; --n) {
        const Piece& piece = in.PickValueInArray(kPieces);
        value += piece.text;
        value1251 += piece.inWindows1251;
    }
    const std::string file = in.ConsumeRemainingBytesAsString();
    const bool utf8 = file.starts_with("\xEF\xBB\xBF");

    check(ProfileEdit(file).bytes() == file, "a file without writes comes back byte for byte");
    const auto probeBefore = readProfileValue(file, probeSection, probeKey);
    check(ProfileReader(file).value(probeSection, probeKey) == probeBefore,
          "a read through the section index finds what a scan of the whole file finds");

    ProfileEdit edit(file);
    const auto refusal = edit.write(section, key, value);
    const std::string after = edit.bytes();
    if (refusal) {
        check(after == file && !edit.changed(), "a refused write changes nothing");
    } else {
        check(edit.changed() == (after != file), "the edit knows whether it changed the file");
        const auto got = readProfileValue(after, section, key);
        check(got.has_value(), "a written key is found");
        check(*got == readBack(utf8 ? value : value1251), "a written key reads back as written");
        if (!(sameName(section, probeSection, utf8) && sameName(key, probeKey, utf8))) {
            check(readProfileValue(after, probeSection, probeKey) == probeBefore, "other keys keep their values");
        }
        check(ProfileEdit(after).bytes() == after, "a written file comes back byte for byte");
    }

    check(std::isfinite(numericReading(value)) && std::isfinite(numericReading(file)), "readings are finite");
    wholeNumber16(value);
    return 0;
}
