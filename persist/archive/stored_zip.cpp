#include "persist/archive/stored_zip.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <set>

namespace kavtra {
namespace {

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::size_t kLocalHeader = 30;
constexpr std::size_t kCentralHeader = 46;
constexpr std::size_t kEndRecord = 22;
constexpr std::uint16_t kVersion = 20;        // 2.0: what stored entries in folders need
constexpr std::uint16_t kUtf8Names = 0x0800;  // general purpose flag 11
constexpr std::uint16_t kEncrypted = 0x0001 | 0x0040;
// 1980-01-01 00:00, the first moment the format can say: the archive is its
// content's, and the same content packs to the same bytes.
constexpr std::uint16_t kDosDate = (1 << 5) | 1;

void put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xff);
    out += static_cast<char>((value >> 8) & 0xff);
}

void put32(std::string& out, std::uint32_t value) {
    put16(out, value & 0xffff);
    put16(out, value >> 16);
}

// The fields an entry's local and central headers share, from "version
// needed" to the extra field's length.
void putCommon(std::string& out, const ZipEntry& entry) {
    put16(out, kVersion);
    put16(out, kUtf8Names);
    put16(out, 0);  // stored
    put16(out, 0);  // time
    put16(out, kDosDate);
    put32(out, static_cast<std::uint32_t>(crc32(entry.bytes)));
    put32(out, static_cast<std::uint32_t>(entry.bytes.size()));
    put32(out, static_cast<std::uint32_t>(entry.bytes.size()));
    put16(out, static_cast<std::uint32_t>(entry.name.size()));
    put16(out, 0);
}

// Little-endian fields read at an offset already checked to be inside.
std::uint32_t get16(std::string_view in, std::size_t at) {
    return static_cast<unsigned char>(in[at]) | static_cast<std::uint32_t>(static_cast<unsigned char>(in[at + 1])) << 8;
}

std::uint32_t get32(std::string_view in, std::size_t at) { return get16(in, at) | get16(in, at + 2) << 16; }

std::string lowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::optional<std::string> badName(std::string_view name) {
    const std::string shown = "«" + std::string(name) + "»";
    if (name.empty()) return "в архиве файл без имени";
    if (name.front() == '/' || name.find('\\') != std::string_view::npos || (name.size() >= 2 && name[1] == ':'))
        return "имя " + shown + " указывает за пределы папки";
    if (name.back() == '/') return "в архиве папка " + shown + ", а ждут только файлы";
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t end = std::min(name.find('/', start), name.size());
        if (name.substr(start, end - start) == "..") return "имя " + shown + " указывает за пределы папки";
        start = end + 1;
    }
    return std::nullopt;
}

}  // namespace

unsigned long crc32(std::string_view bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> made{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            made[n] = c;
        }
        return made;
    }();
    std::uint32_t crc = 0xffffffffu;
    for (const char byte : bytes) crc = table[(crc ^ static_cast<unsigned char>(byte)) & 0xff] ^ (crc >> 8);
    return crc ^ 0xffffffffu;
}

std::string writeStoredZip(const std::vector<ZipEntry>& entries) {
    std::string archive;
    std::string directory;
    for (const ZipEntry& entry : entries) {
        const auto offset = static_cast<std::uint32_t>(archive.size());
        put32(archive, kLocalSignature);
        putCommon(archive, entry);
        archive += entry.name;
        archive += entry.bytes;

        put32(directory, kCentralSignature);
        put16(directory, kVersion);  // made by: MS-DOS attributes, version 2.0
        putCommon(directory, entry);
        put16(directory, 0);  // comment
        put16(directory, 0);  // disk
        put16(directory, 0);  // internal attributes
        put32(directory, 0);  // external attributes
        put32(directory, offset);
        directory += entry.name;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(archive.size());
    archive += directory;
    put32(archive, kEndSignature);
    put16(archive, 0);
    put16(archive, 0);
    put16(archive, static_cast<std::uint32_t>(entries.size()));
    put16(archive, static_cast<std::uint32_t>(entries.size()));
    put32(archive, static_cast<std::uint32_t>(directory.size()));
    put32(archive, directoryOffset);
    put16(archive, 0);
    return archive;
}

ZipReading readStoredZip(std::string_view archive, std::size_t mostEntries, std::size_t largestEntry) {
    const auto refuse = [](std::string why) { return ZipReading{{}, "архив не прочитан: " + why}; };
    // The end record is the last thing in the file; a comment after it is
    // not written here, and would only hide what follows the archive.
    if (archive.size() < kEndRecord || get32(archive, archive.size() - kEndRecord) != kEndSignature)
        return refuse("это не zip-архив или он обрезан");
    const std::size_t end = archive.size() - kEndRecord;
    const std::uint32_t count = get16(archive, end + 10);
    const std::uint32_t directorySize = get32(archive, end + 12);
    const std::uint32_t directoryOffset = get32(archive, end + 16);
    if (count == 0xffff || directorySize == 0xffffffffu || directoryOffset == 0xffffffffu)
        return refuse("архив ZIP64 не поддерживается");
    if (get16(archive, end + 4) != 0 || get16(archive, end + 6) != 0 || get16(archive, end + 8) != count)
        return refuse("архив разбит на части");
    if (get16(archive, end + 20) != 0 || std::size_t{directoryOffset} + directorySize != end)
        return refuse("оглавление архива не на своём месте");
    if (count > mostEntries) return refuse("в нём больше " + std::to_string(mostEntries) + " файлов");

    ZipReading reading;
    std::set<std::string> names;
    std::size_t at = directoryOffset;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (at + kCentralHeader > end || get32(archive, at) != kCentralSignature)
            return refuse("оглавление архива повреждено");
        const std::uint32_t flags = get16(archive, at + 8);
        const std::uint32_t method = get16(archive, at + 10);
        const std::uint32_t crc = get32(archive, at + 16);
        const std::uint32_t packed = get32(archive, at + 20);
        const std::uint32_t size = get32(archive, at + 24);
        const std::size_t nameLength = get16(archive, at + 28);
        const std::size_t skipped = get16(archive, at + 30) + get16(archive, at + 32);
        const std::size_t local = get32(archive, at + 42);
        if (at + kCentralHeader + nameLength + skipped > end) return refuse("оглавление архива повреждено");
        ZipEntry entry{std::string(archive.substr(at + kCentralHeader, nameLength)), {}};
        at += kCentralHeader + nameLength + skipped;

        const std::string shown = "«" + entry.name + "»";
        if (const auto why = badName(entry.name)) return refuse(*why);
        if (!names.insert(lowerAscii(entry.name)).second) return refuse("файл " + shown + " в нём дважды");
        if (flags & kEncrypted) return refuse("файл " + shown + " зашифрован");
        if (method != 0) return refuse("файл " + shown + " сжат; читаются только архивы без сжатия");
        if (packed == 0xffffffffu || size == 0xffffffffu || local == 0xffffffffu)
            return refuse("архив ZIP64 не поддерживается");
        if (size > largestEntry) return refuse("файл " + shown + " больше " + std::to_string(largestEntry) + " байт");
        if (packed != size) return refuse("размеры файла " + shown + " не сходятся");
        if (local + kLocalHeader > directoryOffset || get32(archive, local) != kLocalSignature ||
            get16(archive, local + 8) != method || get16(archive, local + 26) != nameLength ||
            archive.substr(local + kLocalHeader, nameLength) != entry.name)
            return refuse("заголовок файла " + shown + " повреждён");
        const std::size_t data = local + kLocalHeader + nameLength + get16(archive, local + 28);
        if (data + size > directoryOffset) return refuse("файл " + shown + " обрезан");
        entry.bytes = std::string(archive.substr(data, size));
        if (crc32(entry.bytes) != crc) return refuse("файл " + shown + " повреждён: контрольная сумма не сходится");
        reading.entries.push_back(std::move(entry));
    }
    if (at != end) return refuse("оглавление архива повреждено");
    return reading;
}

}  // namespace kavtra
