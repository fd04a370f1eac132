#pragma once

namespace kv::tool {

// Exit codes every command uses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the work itself failed (file unreadable, device missing)
inline constexpr int kExitUsage = 2;   // the command line was wrong

// One kvtool command: argv[0] is the command's name.
struct Command {
    const char* name;
    const char* usage;    // arguments, shown by --help
    const char* summary;  // one line, shown by --help
    int (*run)(int argc, char** argv);
};

}  // namespace kv::tool
