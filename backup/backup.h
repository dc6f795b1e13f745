#pragma once

#include <string>
#include <vector>

namespace kavtra {

// A setup moved between folders or computers as one zip archive: config.ini,
// Data.dat and Rules.ini as they are (those that exist), and a manifest that
// names them, so that a later version may add files an older one refuses to
// half-read. Secrets (the web's token hashes, the MQTT password) travel only
// when asked for; an archive without them keeps the secrets of the folder it
// is brought into.
inline constexpr const char* kBackupManifest = "kavtra-backup.ini";

// What an export or an import did: the files it took or replaced, or every
// reason it refused, one sentence each in the program's language. Nothing
// was written when there are problems, with one exception said among them:
// a replace that failed after others had been made.
struct BackupOutcome {
    std::vector<std::string> files;
    std::vector<std::string> problems;
};

BackupOutcome exportBackup(const std::string& filesDir, const std::string& archivePath, bool secrets);

// Checks the archive whole before it changes anything: its zip structure,
// the manifest, every file's encoding as the program reads it, and every
// entry of Rules.ini with the folder's secrets in place. Then every new file
// is written in full beside its target, and only when all are there are they
// renamed over the targets, each under its file lock: a failure while
// writing leaves the folder as it was, and only a rename failing (which the
// system hardly ever does once the file is written) leaves some files new.
BackupOutcome importBackup(const std::string& archivePath, const std::string& filesDir);

// The same checks, writing nothing: the files an import would replace, or
// every reason it would refuse the archive.
BackupOutcome checkBackup(const std::string& archivePath, const std::string& filesDir);

}  // namespace kavtra
