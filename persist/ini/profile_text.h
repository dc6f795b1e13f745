#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "persist/ini/ini_document.h"

namespace kavtra {

// The longest text a read returns: the 512-character buffer of the Windows
// functions less its terminator.
inline constexpr std::size_t kMaxReadChars = 511;

// How a file's text is encoded, told by its first bytes: a UTF-8 byte-order
// mark, a UTF-16 one (as Windows' Unicode profile files have), or neither,
// which means Windows-1251.
enum class FileEncoding { Windows1251, Utf8, Utf16 };

// Why a UTF-16 file gives nothing. Shown to the user, so in the program's
// language: the file is not broken, only saved in an encoding it does not read.
inline constexpr std::string_view kUtf16NotRead = "файл в UTF-16; читаются Windows-1251 и UTF-8";

// A read of one key from a file's whole bytes: the value in UTF-8, cut to
// kMaxReadChars, or nothing when the section or key is missing. UTF-16 files
// are not read: they give nothing, so the caller's default.
std::optional<std::string> readProfileValue(std::string_view fileBytes, std::string_view section, std::string_view key);

// The names of a file's sections in UTF-8, in file order and each once (see
// ini::sectionNames); none for a UTF-16 file.
std::vector<std::string> readProfileSectionNames(std::string_view fileBytes);

// The names of a section's keys in UTF-8, in file order and each once (see
// ini::keyNames); none for a UTF-16 file.
std::vector<std::string> readProfileKeyNames(std::string_view fileBytes, std::string_view section);

// A file's whole bytes kept for many reads: each read gives what
// readProfileValue gives for these bytes, looking at one section only.
class ProfileReader {
public:
    explicit ProfileReader(std::string fileBytes);
    ProfileReader(const ProfileReader&) = delete;
    ProfileReader& operator=(const ProfileReader&) = delete;

    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // The same, not cut: for a file of the program's own, which no Windows
    // function reads.
    std::optional<std::string> wholeValue(std::string_view section, std::string_view key) const;
    // What readProfileKeyNames gives for these bytes.
    std::vector<std::string> keyNames(std::string_view section) const;
    const std::string& bytes() const { return bytes_; }
    // Why every read gives nothing (kUtf16NotRead), or nothing when reads
    // can find keys.
    std::optional<std::string_view> unreadable() const;

private:
    const std::string bytes_;
    const FileEncoding encoding_;
    const ini::SectionIndex sections_;
};

// Writes applied one after another to a file's bytes in memory.
class ProfileEdit {
public:
    explicit ProfileEdit(std::string_view fileBytes);

    // Applies one write, names and value in UTF-8. Returns why it cannot be
    // stored (a name that would not be found again, a UTF-16 file), or
    // nothing when it was applied.
    std::optional<std::string_view> write(std::string_view section, std::string_view key, std::string_view value);
    // Removes the first section of that name (in UTF-8) with all its lines;
    // one that is missing changes nothing. Returns why it cannot be removed
    // (a UTF-16 file), or nothing.
    std::optional<std::string_view> removeSection(std::string_view section);
    // Makes the file UTF-8 with a byte-order mark if it is empty at this
    // point of the edit; a file with any text keeps its encoding.
    void startAsUtf8();

    bool changed() const { return changed_; }
    std::string bytes() const;

private:
    FileEncoding encoding_;
    ini::IniDocument document_;
    bool changed_ = false;
};

}  // namespace kavtra
