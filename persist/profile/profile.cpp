#include "persist/profile/profile.h"

#include <utility>
#include <vector>

#include "persist/ini/codepage.h"
#include "persist/ini/profile_text.h"
#include "persist/platform/file_io.h"
#include "persist/profile/failure_report.h"
#include "persist/profile/profile_cache.h"

namespace kavtra {
namespace {

struct PendingWrite {
    std::string section;
    std::string key;
    std::string value;
};

struct PendingFile {
    std::string path;
    std::vector<PendingWrite> writes;
};

// The writes of the open groups of this thread, per file in the order the
// files were first written.
struct WriteGroupState {
    int depth = 0;
    std::vector<PendingFile> files;
};
thread_local WriteGroupState groupState;

const std::vector<PendingWrite>* pendingWrites(const std::string& path) {
    for (const PendingFile& file : groupState.files) {
        if (file.path == path) return &file.writes;
    }
    return nullptr;
}

// Whether every write could be made.
bool applyWrites(const std::string& path, ProfileEdit& edit, const std::vector<PendingWrite>& writes) {
    bool complete = true;
    for (const PendingWrite& w : writes) {
        if (const auto refusal = edit.write(w.section, w.key, w.value)) {
            reportProfileFailure(path, kNotSaved, *refusal);
            complete = false;
        }
    }
    return complete;
}

// One save: under the lock, the file as it is now with the writes applied,
// replaced atomically. Applying the writes to what is on disk at that moment
// (not to what was read earlier) keeps the keys another process saved since.
void save(const std::string& path, const std::vector<PendingWrite>& writes) {
    forgetSnapshot(path);
    std::string error;
    const std::string target = followLinks(path, error);
    if (!error.empty()) return reportProfileFailure(path, kNotSaved, error);
    const FileLock lock(target);
    if (!lock.error().empty()) return reportProfileFailure(path, kNotSaved, lock.error());
    removeAbandonedTemporaries(target);
    const FileRead current = readWholeFile(target);
    if (!current.error.empty()) return reportProfileFailure(path, kNotSaved, current.error);
    ProfileEdit edit(current.bytes);
    const bool complete = applyWrites(path, edit, writes);
    if (edit.changed()) {
        if (current.exists) error = checkWritable(target);
        if (error.empty()) error = replaceAtomically(target, edit.bytes(), current);
        if (!error.empty()) return reportProfileFailure(path, kNotSaved, error);
    }
    if (complete) reportProfileSaved(path);
}

}  // namespace

std::string getPrivateProfileString(std::string_view section, std::string_view key, std::string_view def,
                                    const std::string& file) {
    const CurrentProfile current = currentProfile(file);
    // A file in an encoding the reads cannot take is reported as one that
    // cannot be read: otherwise it would read as empty in silence, and only a
    // refused save would tell.
    if (!current.error.empty())
        reportProfileFailure(file, kNotRead, current.error);
    else if (const auto why = current.reader->unreadable())
        reportProfileFailure(file, kNotRead, *why);
    std::optional<std::string> value;
    if (const auto* pending = pendingWrites(file)) {
        ProfileEdit edit(current.reader->bytes());
        applyWrites(file, edit, *pending);
        value = readProfileValue(edit.bytes(), section, key);
    } else {
        value = current.reader->value(section, key);
    }
    return value ? std::move(*value) : std::string(firstCharacters(def, kMaxReadChars));
}

void writePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::string& file) {
    PendingWrite write{std::string(section), std::string(key), std::string(value)};
    if (groupState.depth == 0) return save(file, {std::move(write)});
    for (PendingFile& pending : groupState.files) {
        if (pending.path == file) return pending.writes.push_back(std::move(write));
    }
    groupState.files.push_back({file, {std::move(write)}});
}

ProfileWriteGroup::ProfileWriteGroup() { ++groupState.depth; }

ProfileWriteGroup::~ProfileWriteGroup() {
    if (--groupState.depth > 0) return;
    const std::vector<PendingFile> files = std::move(groupState.files);
    groupState.files.clear();
    for (const PendingFile& file : files) save(file.path, file.writes);
}

}  // namespace kavtra
