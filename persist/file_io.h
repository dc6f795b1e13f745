#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kavtra {

// A whole regular file read at once. A missing file (or directory on the way)
// is not an error; anything else that stops the read is, and error says why.
struct FileRead {
    bool exists = false;
    std::string bytes;
    // What a replacement must take over: POSIX permission bits and owner, or
    // the Windows file attributes.
    std::uint32_t mode = 0;
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    std::string error;
};
FileRead readWholeFile(const std::string& path);

// Paths are UTF-8 texts on every platform.

// The file a path finally names, following symbolic links (also ones that
// point at a file not created yet), so that a save replaces the file a link
// points to and the link itself stays.
std::string followLinks(const std::string& path, std::string& error);

// Whether the process may write the existing file: a read-only file must stay
// unchanged even though the directory would let a rename replace it.
std::string checkWritable(const std::string& path);

// Replaces path with bytes so that a crash or power cut leaves either the old
// file or the new one: a temporary file in the same directory, flushed to
// disk, renamed over the target. The new file takes the permissions and
// owner of the old one (read.exists), or the usual ones of a new file.
// Returns why it failed, or an empty text; on failure the target is untouched
// and the temporary file removed.
std::string replaceAtomically(const std::string& path, std::string_view bytes, const FileRead& old);

// An exclusive lock on a lock file beside a target, held against other
// processes for the read-modify-write of one save. The lock file stays: a
// lock file removed while another process waits on it would let a third one
// lock a new file at the same name.
class FileLock {
public:
    explicit FileLock(const std::string& target);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Why the lock could not be taken, or empty when it is held.
    const std::string& error() const { return error_; }

private:
    std::intptr_t handle_ = -1;  // a descriptor, or a Windows handle
    std::string error_;
};

}  // namespace kavtra
