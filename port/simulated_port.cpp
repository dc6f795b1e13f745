#include "port/simulated_port.h"

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace kavtra {
namespace {

// Five characters "0"/"1", blanks and line ends around them allowed.
std::optional<InputLevels> parseInputs(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
    if (text.size() != kInputs) return std::nullopt;
    InputLevels levels{};
    for (std::size_t i = 0; i < kInputs; ++i) {
        if (text[i] != '0' && text[i] != '1') return std::nullopt;
        levels[i] = text[i] == '1';
    }
    return levels;
}

std::optional<InputLevels> readInputsFile(const std::string& path) {
    // Only a regular file: opening a pipe or a device could wait for a writer
    // and stall the thread that polls the inputs.
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored)) return std::nullopt;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return std::nullopt;
    // Room for the five levels with a little padding; anything longer is not
    // a valid file anyway.
    char buffer[32];
    const std::size_t size = std::fread(buffer, 1, sizeof buffer, file);
    std::fclose(file);
    return parseInputs(std::string_view(buffer, size));
}

}  // namespace

SimulatedPort::SimulatedPort(Registers initial, std::optional<std::string> inputsFile)
    : data_(initial.data), status_(initial.status), control_(initial.control), inputsFile_(std::move(inputsFile)) {}

std::uint8_t SimulatedPort::readStatus() {
    // A file that is missing or half-written keeps the last levels.
    if (inputsFile_) {
        if (const std::optional<InputLevels> levels = readInputsFile(*inputsFile_)) setInputs(*levels);
    }
    return status_.load(std::memory_order_relaxed);
}

std::int16_t SimulatedPort::Inp32(std::int16_t address) {
    switch (address) {
    case kDataRegister: return data_;
    case kStatusRegister: return readStatus();
    case kControlRegister: return control_;
    // Like an unpopulated I/O address on a PC bus: reads 0xFF.
    default: return 0xFF;
    }
}

void SimulatedPort::Out32(std::int16_t address, std::int16_t value) {
    const auto byte = static_cast<std::uint8_t>(value & 0xFF);
    switch (address) {
    case kDataRegister: data_ = byte; break;
    case kStatusRegister: setStatus(byte); break;
    case kControlRegister: control_ = byte; break;
    default: break;
    }
}

}  // namespace kavtra
