#include "persist/profile/profile.h"

#include <optional>
#include <utility>
#include <vector>

#include "persist/ini/codepage.h"
#include "persist/ini/profile_text.h"
#include "persist/platform/file_io.h"
#include "persist/profile/failure_report.h"
#include "persist/profile/profile_cache.h"

namespace kavtra {
namespace {

// One change asked of a file, kept in order until the file's save: a key's
// value, the removal of a section, or the mark that makes a new file UTF-8.
struct PendingWrite {
    enum class Kind { Key, RemoveSection, Utf8Mark };
    Kind kind = Kind::Key;
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

// A save's failure, told to whoever listens and given to the one who saved.
std::string failed(std::string_view path, std::string_view reason) {
    reportProfileFailure(path, kNotSaved, reason);
    return std::string(reason);
}

// The last write that could not be made, if any.
std::optional<std::string> applyWrites(const std::string& path, ProfileEdit& edit,
                                       const std::vector<PendingWrite>& writes) {
    std::optional<std::string> refused;
    for (const PendingWrite& w : writes) {
        std::optional<std::string_view> refusal;
        switch (w.kind) {
        case PendingWrite::Kind::Key: refusal = edit.write(w.section, w.key, w.value); break;
        case PendingWrite::Kind::RemoveSection: refusal = edit.removeSection(w.section); break;
        case PendingWrite::Kind::Utf8Mark: edit.startAsUtf8(); break;
        }
        if (refusal) refused = failed(path, *refusal);
    }
    return refused;
}

// Removals alone never create a file: where there is none they have nothing
// to do, and the lock would leave a lock file behind for nothing.
bool nothingToRemoveFrom(const std::string& target, const std::vector<PendingWrite>& writes) {
    for (const PendingWrite& w : writes) {
        if (w.kind != PendingWrite::Kind::RemoveSection) return false;
    }
    if (currentVersion(target)) return false;
    // Missing, or not to be examined: only a read tells which.
    const FileRead current = readWholeFile(target);
    return !current.exists && current.error.empty();
}

// One save: under the lock, the file as it is now with the writes applied,
// replaced atomically. Applying the writes to what is on disk at that moment
// (not to what was read earlier) keeps the keys another process saved since.
// Gives why the writes did not all reach the file, or nothing when they did.
std::string save(const std::string& path, const std::vector<PendingWrite>& writes) {
    forgetSnapshot(path);
    std::string error;
    const std::string target = followLinks(path, error);
    if (!error.empty()) return failed(path, error);
    if (nothingToRemoveFrom(target, writes)) {
        reportProfileSaved(path);
        return {};
    }
    const FileLock lock(target);
    if (!lock.error().empty()) return failed(path, lock.error());
    removeAbandonedTemporaries(target);
    const FileRead current = readWholeFile(target);
    if (!current.error.empty()) return failed(path, current.error);
    ProfileEdit edit(current.bytes);
    const std::optional<std::string> refused = applyWrites(path, edit, writes);
    if (edit.changed()) {
        if (current.exists) error = checkWritable(target);
        if (error.empty()) error = replaceAtomically(target, edit.bytes(), current);
        if (!error.empty()) return failed(path, error);
    }
    if (refused) return *refused;
    reportProfileSaved(path);
    return {};
}

// The file for a read, its failure reported. A file in an encoding the reads
// cannot take is reported as one that cannot be read: otherwise it would read
// as empty in silence, and only a refused save would tell.
CurrentProfile readableProfile(const std::string& file) {
    CurrentProfile current = currentProfile(file);
    if (!current.error.empty())
        reportProfileFailure(file, kNotRead, current.error);
    else if (const auto why = current.reader->unreadable())
        reportProfileFailure(file, kNotRead, *why);
    return current;
}

// The bytes a read of file sees: what is on disk with this thread's pending
// writes applied.
std::string withPendingWrites(const std::string& file, const ProfileReader& reader,
                              const std::vector<PendingWrite>& pending) {
    ProfileEdit edit(reader.bytes());
    applyWrites(file, edit, pending);
    return edit.bytes();
}

void record(const std::string& file, PendingWrite write) {
    if (groupState.depth == 0) {
        save(file, {std::move(write)});
        return;
    }
    for (PendingFile& pending : groupState.files) {
        if (pending.path == file) return pending.writes.push_back(std::move(write));
    }
    groupState.files.push_back({file, {std::move(write)}});
}

}  // namespace

std::string getPrivateProfileString(std::string_view section, std::string_view key, std::string_view def,
                                    const std::string& file) {
    const CurrentProfile current = readableProfile(file);
    std::optional<std::string> value;
    if (const auto* pending = pendingWrites(file)) {
        value = readProfileValue(withPendingWrites(file, *current.reader, *pending), section, key);
    } else {
        value = current.reader->value(section, key);
    }
    return value ? std::move(*value) : std::string(firstCharacters(def, kMaxReadChars));
}

std::vector<std::string> profileSectionNames(const std::string& file) {
    const CurrentProfile current = readableProfile(file);
    if (const auto* pending = pendingWrites(file))
        return readProfileSectionNames(withPendingWrites(file, *current.reader, *pending));
    return readProfileSectionNames(current.reader->bytes());
}

std::vector<std::string> profileKeyNames(std::string_view section, const std::string& file) {
    const CurrentProfile current = readableProfile(file);
    if (const auto* pending = pendingWrites(file))
        return readProfileKeyNames(withPendingWrites(file, *current.reader, *pending), section);
    return current.reader->keyNames(section);
}

void writePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::string& file) {
    record(file, {PendingWrite::Kind::Key, std::string(section), std::string(key), std::string(value)});
}

void removeProfileSection(std::string_view section, const std::string& file) {
    record(file, {PendingWrite::Kind::RemoveSection, std::string(section), {}, {}});
}

void startProfileAsUtf8(const std::string& file) { record(file, {PendingWrite::Kind::Utf8Mark, {}, {}, {}}); }

ProfileWriteGroup::ProfileWriteGroup() { ++groupState.depth; }

ProfileWriteGroup::~ProfileWriteGroup() {
    if (!closed_) close({});
}

std::string ProfileWriteGroup::close(const std::string& path) {
    closed_ = true;
    if (--groupState.depth > 0) return {};
    const std::vector<PendingFile> files = std::move(groupState.files);
    groupState.files.clear();
    std::string failure;
    for (const PendingFile& file : files) {
        std::string outcome = save(file.path, file.writes);
        if (file.path == path) failure = std::move(outcome);
    }
    return failure;
}

std::string saveFailure(const std::string& path, const std::function<void()>& saves) {
    ProfileWriteGroup group;
    saves();
    return group.close(path);
}

}  // namespace kavtra
