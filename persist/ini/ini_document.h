#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kavtra::ini {

// The value of key in the first section named section (names in any ASCII
// letter case), as it stands in the file's bytes; nothing when the section or
// the key is missing. Lines before the first section belong to no section.
std::optional<std::string_view> findValue(std::string_view bytes, std::string_view section, std::string_view key);

// The names of a file's sections in file order, each name once, as its first
// section spells it: a later section of the same name is one no read finds.
// An empty name is left out: Windows' list of names ends at an empty one.
std::vector<std::string_view> sectionNames(std::string_view bytes);

// The names of the keys of the first section named section, in file order,
// each name once, as its first line spells it (the one reads find).
std::vector<std::string_view> keyNames(std::string_view bytes, std::string_view section);

// Where the first section of each name starts in a file's bytes, so that a
// read looks at that section only. The bytes must outlive the index.
class SectionIndex {
public:
    explicit SectionIndex(std::string_view bytes);

    // What findValue gives for the indexed bytes.
    std::optional<std::string_view> findValue(std::string_view section, std::string_view key) const;
    // What keyNames gives for the indexed bytes.
    std::vector<std::string_view> keyNames(std::string_view section) const;

private:
    std::string_view bytes_;
    std::unordered_map<std::string, std::size_t> firstSection_;  // lower-cased name: offset of its header line
};

// A file's lines, held so that many writes cost little each: the sections
// are indexed by name, and the text is put together again only once. Names
// and values are bytes in the file's own encoding; the caller makes sure
// they can be stored (no line breaks, no ']' in a section name, no '=' in a
// key name, no key starting with '[' or ';').
class IniDocument {
public:
    explicit IniDocument(std::string_view bytes);
    // The lines point into the document's own storage.
    IniDocument(const IniDocument&) = delete;
    IniDocument& operator=(const IniDocument&) = delete;

    // Replaces the value of the key in place, or adds the key after the last
    // key line of its section, or adds the section at the end. Returns whether
    // the text changed.
    bool set(std::string_view section, std::string_view key, std::string_view value);

    // Removes the first section of that name, its header and every line up to
    // the next header. A later section of the same name then becomes the one
    // reads and writes find. Returns whether the text changed.
    bool remove(std::string_view section);

    bool empty() const { return blocks_.size() == 1 && blocks_.front().empty(); }
    std::string text() const;

private:
    // A line as read points into source_; one written, into written_. A
    // save parses every line of the file, so no line is copied until a
    // write changes it.
    struct StoredLine {
        std::string_view text;
        std::string_view end;  // one of the literal line ends, or empty
    };
    // The lines from one section header up to the next; the first block holds
    // the lines before any header and has no header line.
    using Block = std::vector<StoredLine>;

    void closeLastLine();
    void indexSections();
    std::string_view keep(std::string line);

    std::string source_;
    std::deque<std::string> written_;  // a deque: a line's text stays where it is
    std::vector<Block> blocks_;
    std::unordered_map<std::string, std::size_t> firstBlock_;  // lower-cased name
    std::string_view newline_;
};

}  // namespace kavtra::ini
