#include "backup/backup.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

#include "commands/output_choice.h"
#include "persist/archive/stored_zip.h"
#include "persist/files/settings.h"
#include "persist/ini/codepage.h"
#include "persist/ini/ini_lines.h"
#include "persist/ini/profile_text.h"
#include "persist/platform/file_io.h"
#include "persist/platform/temporary_files.h"
#include "persist/platform/utf8_path.h"
#include "rules/rule_book.h"
#include "rules/rules.h"

namespace kavtra {
namespace {

constexpr std::string_view kSection = "Backup";
constexpr int kFormat = 1;
constexpr std::string_view kMqttPasswordKey = "Password";  // [MQTT] of config.ini, as the MQTT settings read it
// Each of the files is a few hundred kilobytes at most; Rules.ini, the
// largest allowed, is bounded by kLargestRulesFile.
constexpr std::size_t kLargestFile = kLargestRulesFile;
constexpr std::size_t kMostEntries = 16;
// Staged files take counters far above those of the process's own saves, so
// that they never meet, and a crash's leftovers are cleared with the saves'.
constexpr unsigned kStagedCounter = 1u << 30;

struct BackupFile {
    const char* name;
    std::string (*path)(const std::string& filesDir);
};
// In the order they are replaced: Rules.ini last, since a running copy's
// reload reads it alone.
const std::vector<BackupFile>& backupFiles() {
    static const std::vector<BackupFile> files = {
        {"config.ini", configPath}, {"Data.dat", dataPath}, {"Rules.ini", rulesPath}};
    return files;
}

bool isTokenSection(std::string_view section) {
    const std::string prefix = tokenSection("");
    return section.size() > prefix.size() && ini::equalsIgnoringAsciiCase(section.substr(0, prefix.size()), prefix);
}

bool isRules(const std::string& name) { return name == "Rules.ini"; }

// The file's bytes without its secrets: Rules.ini's token sections,
// config.ini's MQTT password.
std::string withoutSecrets(const std::string& name, const std::string& bytes) {
    ProfileEdit edit(bytes);
    if (isRules(name)) {
        for (const std::string& section : readProfileSectionNames(bytes))
            if (isTokenSection(section)) edit.removeSection(section);
    } else if (readProfileValue(bytes, kOutputChoiceSection, kMqttPasswordKey).value_or("") != "") {
        edit.write(kOutputChoiceSection, kMqttPasswordKey, "");
    }
    return edit.changed() ? edit.bytes() : bytes;
}

// The file's bytes with the secrets of `from` (the folder's own file) written
// over its own.
std::string withSecretsOf(const std::string& name, const std::string& bytes, const std::string& from) {
    const ProfileReader source(from);
    ProfileEdit edit(bytes);
    if (isRules(name)) {
        for (const std::string& section : readProfileSectionNames(from))
            if (isTokenSection(section))
                for (const std::string& key : source.keyNames(section))
                    edit.write(section, key, source.wholeValue(section, key).value_or(""));
    } else if (const auto password = source.wholeValue(kOutputChoiceSection, kMqttPasswordKey);
               password && !password->empty()) {
        edit.write(kOutputChoiceSection, kMqttPasswordKey, *password);
    }
    return edit.changed() ? edit.bytes() : bytes;
}

// Why the program would not read a text file as written, or nothing.
std::optional<std::string> encodingProblem(const std::string& bytes) {
    const ProfileReader reader(bytes);
    if (const auto why = reader.unreadable()) return std::string(*why);
    if (bytes.find('\0') != std::string::npos) return "в нём нулевые байты: это не текст";
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    if (bytes.starts_with(bom) && !isWellFormedUtf8(std::string_view(bytes).substr(bom.size())))
        return "он помечен как UTF-8, но в нём есть байты не UTF-8";
    return std::nullopt;
}

std::string manifestOf(const std::vector<ZipEntry>& entries, bool secrets) {
    std::string names;
    for (const ZipEntry& entry : entries) names += (names.empty() ? "" : ",") + entry.name;
    return "[" + std::string(kSection) + "]\r\nFormat=" + std::to_string(kFormat) +
           "\r\nSecrets=" + (secrets ? "1" : "0") + "\r\nFiles=" + names + "\r\n";
}

std::vector<std::string> listed(const std::string& text) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        names.emplace_back(ini::trimBlanks(std::string_view(text).substr(start, end - start)));
        start = end + 1;
    }
    return names;
}

// A file of the folder and what the import would write there.
struct Planned {
    const BackupFile* file;
    std::string bytes;
};

// The archive's files with the folder's secrets in place, or every reason
// to refuse it.
std::vector<Planned> plan(std::string_view archive, const std::string& filesDir, std::vector<std::string>& problems) {
    const ZipReading zip = readStoredZip(archive, kMostEntries, kLargestFile);
    if (!zip.error.empty()) {
        problems.push_back(zip.error);
        return {};
    }
    std::map<std::string, std::string> files;
    for (const ZipEntry& entry : zip.entries) files[entry.name] = entry.bytes;
    const auto manifest = files.find(kBackupManifest);
    if (manifest == files.end()) {
        problems.push_back("в архиве нет " + std::string(kBackupManifest) + ": это не копия настроек Kavtra");
        return {};
    }
    const ProfileReader reader(manifest->second);
    const std::string format = reader.value(kSection, "Format").value_or("");
    if (format != std::to_string(kFormat)) {
        problems.push_back("архив формата «" + format + "», а эта версия читает формат " + std::to_string(kFormat));
        return {};
    }
    const bool secrets = reader.value(kSection, "Secrets").value_or("0") == "1";
    const std::vector<std::string> names = listed(reader.value(kSection, "Files").value_or(""));
    files.erase(manifest);
    for (const auto& [name, bytes] : files)
        if (std::find(names.begin(), names.end(), name) == names.end())
            problems.push_back("файла «" + name + "» нет в списке " + std::string(kBackupManifest));
    std::vector<Planned> planned;
    for (const std::string& name : names) {
        const auto known = std::find_if(backupFiles().begin(), backupFiles().end(),
                                        [&](const BackupFile& file) { return name == file.name; });
        const auto held = files.find(name);
        if (known == backupFiles().end()) {
            problems.push_back("файл «" + name + "» эта версия Kavtra не знает (архив более новой версии?)");
        } else if (held == files.end()) {
            problems.push_back("файл «" + name + "» указан в " + std::string(kBackupManifest) + ", но его нет");
        } else if (const auto why = encodingProblem(held->second)) {
            problems.push_back(name + ": " + *why);
        } else {
            std::string bytes = held->second;
            if (!secrets) {
                const FileRead current = readWholeFile(known->path(filesDir));
                if (current.exists && !encodingProblem(current.bytes))
                    bytes = withSecretsOf(name, bytes, current.bytes);
            }
            if (isRules(name))
                for (const RuleProblem& problem : readRulesBytes(bytes).problems)
                    problems.push_back(problemText(problem));
            planned.push_back({&*known, std::move(bytes)});
        }
    }
    return planned;
}

}  // namespace

BackupOutcome exportBackup(const std::string& filesDir, const std::string& archivePath, bool secrets) {
    BackupOutcome outcome;
    std::vector<ZipEntry> entries;
    for (const BackupFile& file : backupFiles()) {
        const FileRead read = readWholeFile(file.path(filesDir));
        if (!read.error.empty()) outcome.problems.push_back(std::string(file.name) + " не прочитан: " + read.error);
        if (!read.exists || !read.error.empty()) continue;
        entries.push_back({file.name, secrets ? read.bytes : withoutSecrets(file.name, read.bytes)});
        outcome.files.push_back(file.name);
    }
    if (entries.empty() && outcome.problems.empty())
        outcome.problems.push_back("в папке " + filesDir + " нет ни config.ini, ни Data.dat, ни Rules.ini");
    if (!outcome.problems.empty()) return outcome;
    entries.push_back({kBackupManifest, manifestOf(entries, secrets)});
    const FileRead old = readWholeFile(archivePath);
    const std::string failure = replaceAtomically(archivePath, writeStoredZip(entries), old);
    if (!failure.empty()) outcome.problems.push_back("архив не записан: " + failure);
    return outcome;
}

namespace {

// The archive read and checked whole, as an import would write it.
std::vector<Planned> readArchive(const std::string& archivePath, const std::string& filesDir, BackupOutcome& outcome) {
    if (const auto version = currentVersion(archivePath); version && version->size > kMostEntries * kLargestFile) {
        outcome.problems.push_back("архив больше " + std::to_string(kMostEntries * kLargestFile) + " байт");
        return {};
    }
    const FileRead archive = readWholeFile(archivePath);
    if (!archive.exists || !archive.error.empty()) {
        outcome.problems.push_back("архив " + archivePath + " не прочитан" +
                                   (archive.exists ? ": " + archive.error : ": его нет"));
        return {};
    }
    return plan(archive.bytes, filesDir, outcome.problems);
}

}  // namespace

BackupOutcome checkBackup(const std::string& archivePath, const std::string& filesDir) {
    BackupOutcome outcome;
    for (const Planned& file : readArchive(archivePath, filesDir, outcome)) outcome.files.push_back(file.file->name);
    if (!outcome.problems.empty()) outcome.files.clear();
    return outcome;
}

BackupOutcome importBackup(const std::string& archivePath, const std::string& filesDir) {
    BackupOutcome outcome;
    const std::vector<Planned> planned = readArchive(archivePath, filesDir, outcome);
    if (!outcome.problems.empty()) return outcome;

    // Locks in one order, the same for every import, so two never wait on
    // each other; a save of the program waits for the import to end.
    std::vector<std::unique_ptr<FileLock>> locks;
    std::vector<std::string> staged;
    const auto removeStaged = [&staged] {
        std::error_code ignored;
        for (const std::string& path : staged) std::filesystem::remove(pathFromUtf8(path), ignored);
    };
    for (const Planned& file : planned) {
        const std::string target = file.file->path(filesDir);
        locks.push_back(std::make_unique<FileLock>(target));
        const FileRead current = readWholeFile(target);
        const std::string stage = temporaryPath(target, currentProcessId(), kStagedCounter);
        std::string failure = locks.back()->error();
        if (failure.empty() && current.exists) failure = checkWritable(target);
        if (failure.empty()) failure = replaceAtomically(stage, file.bytes, current);
        if (!failure.empty()) {
            removeStaged();
            outcome.problems.push_back(std::string(file.file->name) + " не записан, ничего не заменено: " + failure);
            return outcome;
        }
        staged.push_back(stage);
    }
    for (std::size_t i = 0; i < planned.size(); ++i) {
        const std::string failure = renameReplacing(staged[i], planned[i].file->path(filesDir));
        if (!failure.empty()) {
            std::string made;
            for (const std::string& name : outcome.files) made += (made.empty() ? "" : ", ") + name;
            outcome.problems.push_back(std::string(planned[i].file->name) + " не заменён: " + failure +
                                       (made.empty() ? "; ничего не заменено" : "; уже заменены: " + made));
            staged.erase(staged.begin(), staged.begin() + static_cast<std::ptrdiff_t>(i));
            removeStaged();
            return outcome;
        }
        outcome.files.push_back(planned[i].file->name);
    }
    return outcome;
}

}  // namespace kavtra
