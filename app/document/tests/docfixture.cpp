#include "app/document/tests/docfixture.h"

#include "app/document/defaultsong.h"

namespace kv::test {

bool WriteSongFile(const std::string& path, int timebase)
{
    return WriteDefaultSong(path, timebase);
}

}  // namespace kv::test
