#pragma once

#include <sys/types.h>

#include <string>

namespace kv {

// The file-system calls the save makes, on the real file system. Tests
// derive from it to make any step fail (a full disk, an I/O error, a
// rename refused) and check that the previous file survives.
class FileOps {
public:
    virtual ~FileOps() = default;

    // A new empty file in the folder of path, open for writing, with the
    // permissions path has (or the usual ones when it does not exist yet).
    // -1 on failure; tempPath receives the new file's name.
    virtual int CreateTemp(const std::string& path, std::string& tempPath);
    // As write(2): the count written, or -1.
    virtual ssize_t Write(int fd, const void* data, size_t size);
    virtual bool Sync(int fd);
    virtual bool Close(int fd);
    virtual bool Rename(const std::string& from, const std::string& to);
    virtual bool Link(const std::string& from, const std::string& to);
    virtual bool Remove(const std::string& path);
    virtual bool Exists(const std::string& path);
    // The longest file name the folder's file system allows.
    virtual long NameMax(const std::string& folder);
    // Makes a rename in the folder durable; failures are ignored.
    virtual void SyncFolder(const std::string& folder);
};

// The folder part of a path ("." for a bare name) and the name part.
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);

}  // namespace kv
