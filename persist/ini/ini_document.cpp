#include "persist/ini/ini_document.h"

#include <unordered_set>

#include "persist/ini/ini_lines.h"

namespace kavtra::ini {
namespace {

// Line ends a document points at: they outlive every document.
std::string_view literalEnd(std::string_view end) {
    if (end == "\r\n") return "\r\n";
    if (end == "\n") return "\n";
    if (end == "\r") return "\r";
    return {};
}

// Each key line of the first section named `section`, in file order, until
// `key` returns true.
template <typename Key>
void forEachKey(std::string_view bytes, std::string_view section, const Key& key) {
    LineReader reader(bytes);
    Line line;
    bool inSection = false;
    while (reader.next(line)) {
        const LineSyntax syntax = parseLine(line.text);
        if (syntax.kind == LineSyntax::Kind::Section) {
            if (inSection) return;
            inSection = equalsIgnoringAsciiCase(syntax.name, section);
        } else if (inSection && syntax.kind == LineSyntax::Kind::Key && key(syntax)) {
            return;
        }
    }
}

}  // namespace

std::optional<std::string_view> findValue(std::string_view bytes, std::string_view section, std::string_view key) {
    std::optional<std::string_view> value;
    forEachKey(bytes, section, [&](const LineSyntax& line) {
        if (equalsIgnoringAsciiCase(line.name, key)) value = line.value;
        return value.has_value();
    });
    return value;
}

std::vector<std::string_view> sectionNames(std::string_view bytes) {
    std::vector<std::string_view> names;
    std::unordered_set<std::string> seen;
    LineReader reader(bytes);
    Line line;
    while (reader.next(line)) {
        const LineSyntax syntax = parseLine(line.text);
        if (syntax.kind == LineSyntax::Kind::Section && !syntax.name.empty() &&
            seen.insert(asciiLower(syntax.name)).second)
            names.push_back(syntax.name);
    }
    return names;
}

std::vector<std::string_view> keyNames(std::string_view bytes, std::string_view section) {
    std::vector<std::string_view> names;
    std::unordered_set<std::string> seen;
    forEachKey(bytes, section, [&](const LineSyntax& line) {
        if (!line.name.empty() && seen.insert(asciiLower(line.name)).second) names.push_back(line.name);
        return false;
    });
    return names;
}

SectionIndex::SectionIndex(std::string_view bytes) : bytes_(bytes) {
    LineReader reader(bytes);
    Line line;
    while (reader.next(line)) {
        const LineSyntax syntax = parseLine(line.text);
        if (syntax.kind == LineSyntax::Kind::Section) {
            firstSection_.try_emplace(asciiLower(syntax.name),
                                      static_cast<std::size_t>(line.text.data() - bytes.data()));
        }
    }
}

std::optional<std::string_view> SectionIndex::findValue(std::string_view section, std::string_view key) const {
    const auto found = firstSection_.find(asciiLower(section));
    if (found == firstSection_.end()) return std::nullopt;
    return ini::findValue(bytes_.substr(found->second), section, key);
}

std::vector<std::string_view> SectionIndex::keyNames(std::string_view section) const {
    const auto found = firstSection_.find(asciiLower(section));
    if (found == firstSection_.end()) return {};
    return ini::keyNames(bytes_.substr(found->second), section);
}

IniDocument::IniDocument(std::string_view bytes) : source_(bytes), blocks_(1) {
    LineReader reader(source_);
    Line line;
    while (reader.next(line)) {
        if (newline_.empty()) newline_ = literalEnd(line.end);
        if (parseLine(line.text).kind == LineSyntax::Kind::Section) blocks_.emplace_back();
        blocks_.back().push_back({line.text, literalEnd(line.end)});
    }
    // A file that has no line end yet gets the one new files get.
    if (newline_.empty()) newline_ = "\r\n";
    indexSections();
}

void IniDocument::indexSections() {
    firstBlock_.clear();
    for (std::size_t i = 1; i < blocks_.size(); ++i)
        firstBlock_.try_emplace(asciiLower(parseLine(blocks_[i].front().text).name), i);
}

std::string_view IniDocument::keep(std::string line) { return written_.emplace_back(std::move(line)); }

void IniDocument::closeLastLine() {
    for (auto block = blocks_.rbegin(); block != blocks_.rend(); ++block) {
        if (block->empty()) continue;
        if (block->back().end.empty()) block->back().end = newline_;
        return;
    }
}

bool IniDocument::set(std::string_view section, std::string_view key, std::string_view value) {
    std::string keyLine;
    keyLine.reserve(key.size() + 1 + value.size());
    keyLine.append(key).append("=").append(value);

    const auto found = firstBlock_.find(asciiLower(section));
    if (found == firstBlock_.end()) {
        closeLastLine();
        std::string header;
        header.reserve(section.size() + 2);
        header.append("[").append(section).append("]");
        firstBlock_.emplace(asciiLower(section), blocks_.size());
        blocks_.push_back({{keep(std::move(header)), newline_}, {keep(std::move(keyLine)), newline_}});
        return true;
    }

    Block& block = blocks_[found->second];
    std::size_t lastKey = 0;  // the header
    for (std::size_t i = 1; i < block.size(); ++i) {
        const LineSyntax syntax = parseLine(block[i].text);
        if (syntax.kind != LineSyntax::Kind::Key) continue;
        if (equalsIgnoringAsciiCase(syntax.name, key)) {
            if (syntax.value == value) return false;
            std::string line(block[i].text);
            line.replace(syntax.valueBegin, syntax.valueEnd - syntax.valueBegin, value);
            block[i].text = keep(std::move(line));
            return true;
        }
        lastKey = i;
    }
    if (block[lastKey].end.empty()) block[lastKey].end = newline_;
    block.insert(block.begin() + static_cast<std::ptrdiff_t>(lastKey) + 1, {keep(std::move(keyLine)), newline_});
    return true;
}

bool IniDocument::remove(std::string_view section) {
    const auto found = firstBlock_.find(asciiLower(section));
    if (found == firstBlock_.end()) return false;
    blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(found->second));
    // Every later block has moved, and a later section of the same name, if
    // any, is now the first.
    indexSections();
    return true;
}

std::string IniDocument::text() const {
    std::size_t size = 0;
    for (const Block& block : blocks_) {
        for (const StoredLine& line : block) size += line.text.size() + line.end.size();
    }
    std::string out;
    out.reserve(size);
    for (const Block& block : blocks_) {
        for (const StoredLine& line : block) out.append(line.text).append(line.end);
    }
    return out;
}

}  // namespace kavtra::ini
