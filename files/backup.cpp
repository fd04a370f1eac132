#include "files/backup.h"

#include "files/fileops.h"

namespace kv {

namespace {
constexpr long kLongNames = 20;
}

std::string BackupName(const std::string& path, long nameMax)
{
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    if (nameMax >= kLongNames)
        return folder + "Backup of " + name + ".bmid";
    return folder + name + ".bak";
}

BackupKind MakeBackup(FileOps& ops, const std::string& path, std::string& backupPath)
{
    backupPath = BackupName(path, ops.NameMax(FolderOf(path)));
    if (!ops.Exists(path) || backupPath == path)
        return BackupKind::None;
    ops.Remove(backupPath);
    if (ops.Link(path, backupPath))
        return BackupKind::Link;
    if (ops.Rename(path, backupPath))
        return BackupKind::Moved;
    return BackupKind::None;
}

}  // namespace kv
