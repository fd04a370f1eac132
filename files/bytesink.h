#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kv {

// Where the writer puts a song file's bytes. A write that cannot take every
// byte fails, and one failed write fails the whole save.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool Write(const uint8_t* data, size_t size) = 0;
};

// A growing memory block: the clipboard data.
class VectorSink : public ByteSink {
public:
    explicit VectorSink(std::vector<uint8_t>& out) : m_out(out) {}
    bool Write(const uint8_t* data, size_t size) override;

private:
    std::vector<uint8_t>& m_out;
};

}  // namespace kv
