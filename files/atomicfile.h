#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/bytesink.h"

namespace kv {

class FileOps;

// Writes a file so that the previous version survives any failure: the bytes
// go to a new file in the same folder, which is flushed, synced and then
// renamed over the destination. Until Commit succeeds the destination is
// exactly as it was; a failed or abandoned write removes the new file.
class AtomicFile : public ByteSink {
public:
    explicit AtomicFile(FileOps& ops) : m_ops(ops) {}
    ~AtomicFile() override { Abort(); }
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool Open(const std::string& path);
    bool Write(const uint8_t* data, size_t size) override;
    // Flushes and syncs the new file, then, with backup, keeps the previous
    // file under its backup name, and renames the new file over it.
    bool Commit(bool backup);
    // Closes and removes the new file; the destination is left as it was.
    void Abort();

private:
    bool Flush();
    bool WriteAll(const uint8_t* data, size_t size);

    FileOps& m_ops;
    std::string m_path;
    std::string m_tempPath;
    int m_fd = -1;
    bool m_failed = false;
    std::vector<uint8_t> m_buffer;
};

}  // namespace kv
