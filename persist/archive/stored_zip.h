#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kavtra {

// One file of an archive: its name (UTF-8, '/' between folders) and bytes.
struct ZipEntry {
    std::string name;
    std::string bytes;
    bool operator==(const ZipEntry&) const = default;
};

// A zip archive of the entries as they are, without compression ("stored"):
// every unzip tool and the systems' own folders open it, and the few
// kilobytes of a setup need no deflate of our own. Names are marked UTF-8.
std::string writeStoredZip(const std::vector<ZipEntry>& entries);

// What an archive holds, or why it is not read. Only what writeStoredZip
// makes is read: stored entries whose signatures, sizes and CRC-32 agree.
// Refused with the reason, in the program's language: compressed or encrypted
// entries, ZIP64, archives split over disks, names that would leave the
// folder (absolute, a drive, "..", '\') or name a folder, names twice (ASCII
// letter case aside, as Windows sees files), more than `mostEntries` entries
// or an entry over `largestEntry` bytes.
struct ZipReading {
    std::vector<ZipEntry> entries;  // in the archive's order
    std::string error;
};
ZipReading readStoredZip(std::string_view archive, std::size_t mostEntries, std::size_t largestEntry);

// The CRC-32 of zip (and PNG, Ethernet): reflected polynomial 0xEDB88320.
unsigned long crc32(std::string_view bytes);

}  // namespace kavtra
