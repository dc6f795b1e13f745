#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "persist/ini/profile_text.h"

namespace kavtra {

// A file as it is now, ready for reads: a missing file reads as empty; error
// says why an existing one could not be read (then it reads as empty too).
struct CurrentProfile {
    std::shared_ptr<const ProfileReader> reader;
    std::string error;
};

// Every call sees the file as it is at that moment. The parsed copy of an
// earlier call of this thread is reused only while the file's version is the
// one it was read at and that version was settled then; otherwise the file
// is read again, so a program that reads a large file key by key reads it
// once instead of once per key.
CurrentProfile currentProfile(const std::string& path);

// How many times this thread has read a profile file whole and parsed it:
// what the cache and the read groups are there to spare, counted for the
// tests and the measurements.
std::uint64_t wholeReadsSoFar();

// Ends a read group's snapshot of path: called before each save of it.
void forgetSnapshot(const std::string& path);

}  // namespace kavtra
