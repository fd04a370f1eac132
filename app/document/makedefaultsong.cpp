// Writes the default song the program ships: kv_make_default_song <path>.
#include <cstdio>

#include "app/document/defaultsong.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
        return 2;
    }
    if (!kv::WriteDefaultSong(argv[1])) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
