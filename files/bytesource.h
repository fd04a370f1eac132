#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace kv {

// Where the reader takes a song file's bytes from: a file on disk or a block
// in memory (clipboard data, tests, the fuzzer). Every read may come back
// short; the reader treats a short read as the end of the data.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Up to n bytes into dst; the count read.
    virtual size_t Read(uint8_t* dst, size_t n) = 0;
    // Steps back over n bytes already read; false when it cannot.
    virtual bool Back(size_t n) = 0;
    // Skips up to n bytes; the count skipped.
    virtual uint64_t Skip(uint64_t n) = 0;
    // Bytes left to read. Chunk lengths are hostile: the reader never
    // allocates more than this for a chunk.
    virtual uint64_t Remaining() const = 0;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    size_t Read(uint8_t* dst, size_t n) override;
    bool Back(size_t n) override;
    uint64_t Skip(uint64_t n) override;
    uint64_t Remaining() const override { return m_bytes.size() - m_pos; }

private:
    std::span<const uint8_t> m_bytes;
    size_t m_pos = 0;
};

// A file read through a large stdio buffer. Not copyable: it owns the handle.
class FileSource : public ByteSource {
public:
    FileSource() = default;
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    // False when the file cannot be opened or is not a regular file.
    bool Open(const std::string& path);
    void Close();

    size_t Read(uint8_t* dst, size_t n) override;
    bool Back(size_t n) override;
    uint64_t Skip(uint64_t n) override;
    uint64_t Remaining() const override { return m_size > m_pos ? m_size - m_pos : 0; }

private:
    std::FILE* m_file = nullptr;
    uint64_t m_size = 0;
    uint64_t m_pos = 0;
};

}  // namespace kv
