#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kavtra {

// What tells one content of a file from another without reading it: which
// file it is (device and file number, or volume and file index), its size,
// and the times of its last write and last change of any kind.
struct FileVersion {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    std::int64_t changed = 0;
    bool operator==(const FileVersion&) const = default;
};

// A whole regular file read at once. A missing file (or directory on the way)
// is not an error; anything else that stops the read is, and error says why.
struct FileRead {
    bool exists = false;
    std::string bytes;
    // The file's version when the read began. Settled when its last change
    // lay further back than the coarsest timestamp tick of the file systems
    // in use: any later change then shows as another version. A change
    // within the same tick as a recent one may leave every time as it was.
    FileVersion version;
    bool settled = false;
    // What a replacement must take over: POSIX permission bits and owner, or
    // the Windows file attributes.
    std::uint32_t mode = 0;
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    std::string error;
};
FileRead readWholeFile(const std::string& path);

// The version of the regular file at path now, or nothing when it is missing
// or cannot be examined.
std::optional<FileVersion> currentVersion(const std::string& path);

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

// Appends bytes at the end of path, made when missing, through one write to
// a file opened for appending, and closes it: nothing is left in a buffer of
// ours, and no other writer's bytes can land inside them. A FIFO at the
// file's place fails at once rather than waiting for a reader. Returns why it
// failed, or an empty text.
std::string appendToFile(const std::string& path, std::string_view bytes);

// Renames from to to, replacing a file already there.
std::string renameReplacing(const std::string& from, const std::string& to);

// Removes the temporary files that saves of target left behind when their
// process ended between creating and renaming them (killed, power cut). Only
// call it while holding target's FileLock: no save of target is under way
// then, and a temporary whose process still runs is left alone all the same.
void removeAbandonedTemporaries(const std::string& target);

// An exclusive lock on a lock file beside a target, held against other
// processes for the read-modify-write of one save. The lock file stays: a
// lock file removed while another process waits on it would let a third one
// lock a new file at the same name. A new lock file takes the target's
// permissions and owner, so that whoever may write the target may lock it;
// one the process may not write (made by another user) is locked through a
// read-only handle.
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
