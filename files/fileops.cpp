#include "files/fileops.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace kv {

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int FileOps::CreateTemp(const std::string& path, std::string& tempPath)
{
    struct stat st;
    const bool exists = ::stat(path.c_str(), &st) == 0;
    // Open with the mode the file should end up with, so the umask applies
    // to a new file just as it would to a file written in place.
    const mode_t mode = exists ? (st.st_mode & 07777) : 0666;
    const std::string base = FolderOf(path) + "/." + NameOf(path) + ".kvtmp-";
    const auto seed =
        uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^ uint64_t(::getpid());
    for (uint64_t attempt = 0; attempt < 100; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, "%06llx",
                      (unsigned long long)((seed + attempt * 7919) & 0xFFFFFF));
        tempPath = base + suffix;
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            if (exists)
                (void)::fchmod(fd, mode);
            return fd;
        }
        if (errno != EEXIST)
            break;
    }
    tempPath.clear();
    return -1;
}

ssize_t FileOps::Write(int fd, const void* data, size_t size)
{
    ssize_t n;
    do {
        n = ::write(fd, data, size);
    } while (n < 0 && errno == EINTR);
    return n;
}

bool FileOps::Sync(int fd)
{
    return ::fsync(fd) == 0;
}

bool FileOps::Close(int fd)
{
    return ::close(fd) == 0;
}

bool FileOps::Rename(const std::string& from, const std::string& to)
{
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool FileOps::Link(const std::string& from, const std::string& to)
{
    return ::link(from.c_str(), to.c_str()) == 0;
}

bool FileOps::Remove(const std::string& path)
{
    return ::unlink(path.c_str()) == 0;
}

bool FileOps::Exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

long FileOps::NameMax(const std::string& folder)
{
    const long max = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return max < 0 ? 255 : max;
}

void FileOps::SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    (void)::fsync(fd);
    ::close(fd);
}

}  // namespace kv
