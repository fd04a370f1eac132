#include "files/bytesource.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace kv {

size_t MemorySource::Read(uint8_t* dst, size_t n)
{
    const size_t count = std::min(n, m_bytes.size() - m_pos);
    if (count)
        std::memcpy(dst, m_bytes.data() + m_pos, count);
    m_pos += count;
    return count;
}

bool MemorySource::Back(size_t n)
{
    if (n > m_pos)
        return false;
    m_pos -= n;
    return true;
}

uint64_t MemorySource::Skip(uint64_t n)
{
    const uint64_t count = std::min<uint64_t>(n, m_bytes.size() - m_pos);
    m_pos += size_t(count);
    return count;
}

FileSource::~FileSource()
{
    Close();
}

bool FileSource::Open(const std::string& path)
{
    Close();
    m_file = std::fopen(path.c_str(), "rb");
    if (!m_file)
        return false;
    struct stat st;
    if (fstat(fileno(m_file), &st) != 0 || !S_ISREG(st.st_mode)) {
        Close();
        return false;
    }
    // Track bodies are read straight into their streams; the buffer only
    // serves the small header reads and the byte-by-byte header searches.
    std::setvbuf(m_file, nullptr, _IOFBF, 1 << 16);
    m_size = uint64_t(st.st_size);
    m_pos = 0;
    return true;
}

void FileSource::Close()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    m_size = 0;
    m_pos = 0;
}

size_t FileSource::Read(uint8_t* dst, size_t n)
{
    if (!m_file)
        return 0;
    const size_t count = std::fread(dst, 1, n, m_file);
    m_pos += count;
    return count;
}

bool FileSource::Back(size_t n)
{
    if (!m_file || n > m_pos || std::fseek(m_file, -long(n), SEEK_CUR) != 0)
        return false;
    m_pos -= n;
    return true;
}

uint64_t FileSource::Skip(uint64_t n)
{
    const uint64_t count = std::min(n, Remaining());
    if (!m_file || count == 0 || std::fseek(m_file, long(count), SEEK_CUR) != 0)
        return 0;
    m_pos += count;
    return count;
}

}  // namespace kv
