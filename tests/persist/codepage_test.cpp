// The conversion between the UTF-8 of the program and the Windows-1251 of its
// files. The same cases run on Linux (iconv) and on Windows (the Windows code
// page functions): both must give the same bytes and the same texts.
#include "persist/ini/codepage.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace kavtra {
namespace {

std::string utf8Of(unsigned code) {
    std::string out;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

std::string highBytes() {
    std::string bytes;
    for (int b = 0x80; b <= 0xFF; ++b) bytes += static_cast<char>(b);
    return bytes;
}

TEST(Windows1251, CyrillicAndTheCodePagesSignsAreOneByteEach) {
    const std::string letters = "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя";
    std::string bytes;
    for (int b = 0xC0; b <= 0xFF; ++b) bytes += static_cast<char>(b);
    EXPECT_EQ(toWindows1251(letters), bytes);
    EXPECT_EQ(fromWindows1251(bytes), letters);
    EXPECT_EQ(toWindows1251("Ёё №1 €5 «ў»"), "\xA8\xB8 \xB9\x31 \x88\x35 \xAB\xA2\xBB");
    EXPECT_EQ(fromWindows1251("\x80\x88\xA0\xB9\xAB"), "Ђ€\xC2\xA0№«");
    // Plain ASCII passes as it is, a zero byte and control characters included.
    EXPECT_EQ(toWindows1251(std::string("a\0b\tc\x7F", 6)), std::string("a\0b\tc\x7F", 6));
    EXPECT_EQ(toWindows1251(std::string("Ж\0b", 4)), std::string("\xC6\0b", 3));
}

TEST(Windows1251, EveryDefinedByteComesBackAndTheUndefinedOneReadsAsAQuestionMark) {
    std::string expected = highBytes();
    expected[0x98 - 0x80] = '?';
    EXPECT_EQ(toWindows1251(fromWindows1251(highBytes())), expected);
    EXPECT_EQ(fromWindows1251("a\x98z"), "a?z");
}

TEST(Windows1251, ACharacterTheCodePageLacksBecomesOneQuestionMarkAndNeverALookAlike) {
    EXPECT_EQ(toWindows1251("café ß ą ✓ 中"), "caf? ? ? ? ?");
    // Beyond U+FFFF: one character, one mark.
    EXPECT_EQ(toWindows1251("a😀b𝄞"), "a?b?");
    // The C1 controls, U+0098 among them, and the replacement character.
    EXPECT_EQ(toWindows1251("\xC2\x98\xC2\x81\xEF\xBF\xBD"), "???");
}

// Every character of the Basic Multilingual Plane gives exactly one byte:
// its own where the code page has it, '?' everywhere else.
TEST(Windows1251, EachCharacterOfTheBasicPlaneIsOneByte) {
    std::map<unsigned, char> table;
    const std::string decoded = fromWindows1251(highBytes());
    for (std::size_t i = 0, b = 0x80; i < decoded.size(); ++b) {
        const auto lead = static_cast<unsigned char>(decoded[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : 3;
        unsigned code = length == 1 ? lead : length == 2 ? lead & 0x1F : lead & 0x0F;
        for (std::size_t k = 1; k < length; ++k) code = code << 6 | (static_cast<unsigned char>(decoded[i + k]) & 0x3F);
        if (b != 0x98) table[code] = static_cast<char>(b);
        i += length;
    }
    ASSERT_EQ(table.size(), 127u);

    std::string all;
    std::vector<unsigned> codes;
    for (unsigned code = 0x80; code <= 0xFFFF; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF) continue;
        all += utf8Of(code);
        codes.push_back(code);
    }
    const std::string bytes = toWindows1251(all);
    ASSERT_EQ(bytes.size(), codes.size());
    int wrong = 0;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const auto it = table.find(codes[i]);
        const char expected = it == table.end() ? '?' : it->second;
        if (bytes[i] != expected && ++wrong <= 5) {
            ADD_FAILURE() << "U+" << std::hex << codes[i] << " gave 0x" << int(static_cast<unsigned char>(bytes[i]));
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(Windows1251, BrokenUtf8BecomesOneQuestionMarkForEachPiece) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"x\xFFy", "x?y"},                  // a byte that starts nothing
        {"x\xC3", "x?"},                    // cut at the end
        {"x\xE2\x82y", "x??y"},             // cut in the middle: lead and continuation apart
        {"\x80\xD0\x96", "?\xC6"},          // a stray continuation byte
        {"\xC0\x80", "??"},                 // overlong zero
        {"\xE0\x80\x80", "?"},              // overlong three-byte form
        {"\xED\xA0\x80", "?"},              // a surrogate
        {"\xF4\x90\x80\x80", "?"},          // beyond U+10FFFF
        {"\xF8\x88\x80\x80\x80", "?????"},  // the old five-byte form
    };
    for (const Case& c : cases) EXPECT_EQ(toWindows1251(c.in), c.out) << ::testing::PrintToString(c.in);
}

// The one check every request and every name passes.
TEST(Utf8, WellFormedMeansEveryPieceIsACharacter) {
    const struct {
        std::string text;
        bool valid;
    } cases[] = {
        {"ON", true},
        {"Вывод 1", true},
        {"\xF0\x9F\x92\xA1", true},      // U+1F4A1
        {std::string("a\0b", 3), true},  // NUL is a character; the word checks refuse it
        {"\xC0\xAF", false},             // overlong '/'
        {"\xED\xA0\x80", false},         // surrogate
        {"\xF4\x90\x80\x80", false},     // beyond U+10FFFF
        {"\xD0", false},                 // cut short
        {"\x80", false},                 // lone continuation
        {"\xFF", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isWellFormedUtf8(c.text), c.valid) << c.text;
}

}  // namespace
}  // namespace kavtra
