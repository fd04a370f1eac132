#pragma once

#include <string>

namespace kv {

class FileOps;

// The backup of folder/name.ext: "folder/Backup of name.bmid" where the file
// system allows names of 20 characters or more, else "folder/name.bak".
std::string BackupName(const std::string& path, long nameMax);

// How MakeBackup kept the previous file.
enum class BackupKind {
    None,   // no file to keep, or it could not be kept (ignored, as a save goes on)
    Link,   // the backup is a second name of the file: the file stays in place
    Moved,  // the file was renamed: it must come back if the save fails
};

// Keeps the file at path under its backup name, deleting an older backup
// first. A second name (hard link) is preferred so that the file stays in
// place until the new version replaces it; a file system without them gets
// the rename.
BackupKind MakeBackup(FileOps& ops, const std::string& path, std::string& backupPath);

}  // namespace kv
