#include "files/atomicfile.h"

#include <cstring>

#include "files/backup.h"
#include "files/fileops.h"

namespace kv {
namespace {
constexpr size_t kBufferSize = 1 << 16;
}

bool AtomicFile::Open(const std::string& path)
{
    Abort();
    m_path = path;
    m_failed = false;
    m_buffer.clear();
    m_buffer.reserve(kBufferSize);
    m_fd = m_ops.CreateTemp(path, m_tempPath);
    return m_fd >= 0;
}

bool AtomicFile::WriteAll(const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = m_ops.Write(m_fd, data, size);
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

bool AtomicFile::Flush()
{
    if (!m_failed && !m_buffer.empty() && !WriteAll(m_buffer.data(), m_buffer.size()))
        m_failed = true;
    m_buffer.clear();
    return !m_failed;
}

bool AtomicFile::Write(const uint8_t* data, size_t size)
{
    if (m_fd < 0 || m_failed)
        return false;
    if (m_buffer.size() + size > kBufferSize && !Flush())
        return false;
    if (size >= kBufferSize) {
        m_failed = !WriteAll(data, size);
        return !m_failed;
    }
    m_buffer.insert(m_buffer.end(), data, data + size);
    return true;
}

bool AtomicFile::Commit(bool backup)
{
    if (m_fd < 0)
        return false;
    const bool written = Flush() && m_ops.Sync(m_fd);
    const bool closed = m_ops.Close(m_fd);
    m_fd = -1;
    if (!written || !closed) {
        Abort();
        return false;
    }
    std::string backupPath;
    const BackupKind kept = backup ? MakeBackup(m_ops, m_path, backupPath) : BackupKind::None;
    if (!m_ops.Rename(m_tempPath, m_path)) {
        // The previous file was moved away for the backup: put it back.
        if (kept == BackupKind::Moved)
            m_ops.Rename(backupPath, m_path);
        Abort();
        return false;
    }
    m_tempPath.clear();
    m_ops.SyncFolder(FolderOf(m_path));
    return true;
}

void AtomicFile::Abort()
{
    if (m_fd >= 0)
        m_ops.Close(m_fd);
    m_fd = -1;
    if (!m_tempPath.empty())
        m_ops.Remove(m_tempPath);
    m_tempPath.clear();
    m_buffer.clear();
}

}  // namespace kv
