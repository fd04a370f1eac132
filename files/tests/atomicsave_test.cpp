#include <sys/stat.h>

#include <cerrno>

#include <gtest/gtest.h>

#include "files/atomicfile.h"
#include "files/fileops.h"
#include "files/songfiles.h"
#include "files/tests/smfbuilder.h"

namespace kv::test {
namespace {

// The real file system with one step made to fail, as a full disk, an I/O
// error or a refused rename would.
class FaultyOps : public FileOps {
public:
    int64_t writableBytes = -1;  // a full disk after this many bytes; -1 = no limit
    bool failCreate = false;
    bool failSync = false;
    bool failClose = false;
    bool failRename = false;
    bool failLink = false;

    int CreateTemp(const std::string& path, std::string& tempPath) override
    {
        return failCreate ? -1 : FileOps::CreateTemp(path, tempPath);
    }
    ssize_t Write(int fd, const void* data, size_t size) override
    {
        if (writableBytes >= 0) {
            if (writableBytes == 0) {
                errno = ENOSPC;
                return -1;
            }
            size = std::min<size_t>(size, size_t(writableBytes));
            writableBytes -= int64_t(size);
        }
        return FileOps::Write(fd, data, size);
    }
    bool Sync(int fd) override { return !failSync && FileOps::Sync(fd); }
    bool Close(int fd) override { return FileOps::Close(fd) && !failClose; }
    bool Rename(const std::string& from, const std::string& to) override
    {
        // Only the final rename over the destination fails, not the backup's.
        if (failRename && from.find(".kvtmp-") != std::string::npos)
            return false;
        return FileOps::Rename(from, to);
    }
    bool Link(const std::string& from, const std::string& to) override
    {
        return !failLink && FileOps::Link(from, to);
    }
};

Bytes LongSong()
{
    Body notes;
    for (int i = 0; i < 2000; ++i)
        notes.Note(10, i % 16, 40 + i % 40, 100, 30);
    notes.End();
    return Smf(120, {Body().Meta(0, 0x51, {0x07, 0xA1, 0x20}).End(), notes});
}

TEST(AtomicSave, FailedWriteLeavesThePreviousFileUntouched)
{
    struct Case {
        const char* name;
        void (*arm)(FaultyOps&);
        bool useBak;
        std::vector<std::string> after;  // the folder's files after the failed save
    };
    const Case cases[] = {
        {"disk full at once", [](FaultyOps& o) { o.writableBytes = 0; }, true, {"tune.mid"}},
        {"disk full part way", [](FaultyOps& o) { o.writableBytes = 5000; }, true, {"tune.mid"}},
        {"temporary file not created", [](FaultyOps& o) { o.failCreate = true; }, true, {"tune.mid"}},
        {"sync fails", [](FaultyOps& o) { o.failSync = true; }, true, {"tune.mid"}},
        {"close fails", [](FaultyOps& o) { o.failClose = true; }, false, {"tune.mid"}},
        // The backup is made just before the rename: it holds the previous
        // file. When it had to move the file away, the file is moved back.
        {"rename fails",
         [](FaultyOps& o) { o.failRename = true; },
         true,
         {"Backup of tune.bmid", "tune.mid"}},
        {"rename fails after the backup moved the file",
         [](FaultyOps& o) {
             o.failRename = true;
             o.failLink = true;
         },
         true,
         {"tune.mid"}},
    };
    const Bytes previous = {'p', 'r', 'e', 'v', 'i', 'o', 'u', 's'};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SongFixture f;
        TempDir dir;
        ASSERT_TRUE(f.Read(LongSong()));
        const std::string path = dir.File("tune.mid");
        WriteAll(path, previous);
        FaultyOps ops;
        c.arm(ops);
        f.files.ops = &ops;
        f.files.settings.useBak = c.useBak;
        f.files.state.documentPath = path;
        f.files.state.modified = true;
        f.messages.Clear();

        EXPECT_EQ(WriteSong(f.files, false, false), 1);
        EXPECT_EQ(ReadAll(path), previous);
        EXPECT_EQ(dir.Names(), c.after);
        EXPECT_EQ(f.messages.numbers(), std::vector<int>{275});
        ASSERT_FALSE(f.messages.shown().empty());
        EXPECT_EQ(f.messages.shown()[0].text,
                  "An error occurred while writing the song to the file: " + path);
        EXPECT_TRUE(f.files.state.modified);
    }
}

TEST(AtomicSave, FailedFirstSaveLeavesNoFile)
{
    SongFixture f;
    TempDir dir;
    ASSERT_TRUE(f.Read(LongSong()));
    FaultyOps ops;
    ops.writableBytes = 100;
    f.files.ops = &ops;
    f.files.state.documentPath = dir.File("new.mid");
    EXPECT_EQ(WriteSong(f.files, false, false), 1);
    EXPECT_TRUE(dir.Names().empty());
}

TEST(AtomicSave, ReplacedFileKeepsItsPermissions)
{
    SongFixture f;
    TempDir dir;
    ASSERT_TRUE(f.Read(LongSong()));
    const std::string path = dir.File("tune.mid");
    WriteAll(path, {'x'});
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    f.files.settings.useBak = false;
    f.files.state.documentPath = path;
    ASSERT_EQ(WriteSong(f.files, false, false), 0);
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_GT(st.st_size, 1);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"tune.mid"});
}

TEST(AtomicSave, AbandonedFileIsRemoved)
{
    TempDir dir;
    FileOps ops;
    {
        AtomicFile file(ops);
        ASSERT_TRUE(file.Open(dir.File("a.mid")));
        const uint8_t bytes[] = {1, 2, 3};
        ASSERT_TRUE(file.Write(bytes, sizeof bytes));
    }
    EXPECT_TRUE(dir.Names().empty());
}

}  // namespace
}  // namespace kv::test
