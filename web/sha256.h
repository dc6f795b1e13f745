#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kavtra::web {

// SHA-256 of the bytes. Written out here because the command line that makes
// tokens links no Qt and no TLS library; the test vectors of the standard
// check it.
std::array<std::uint8_t, 32> sha256(std::string_view bytes);

// Lower-case hexadecimal, two digits a byte.
std::string hexText(const std::uint8_t* bytes, std::size_t size);

}  // namespace kavtra::web
