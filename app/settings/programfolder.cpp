#include "app/settings/programfolder.h"

#include <cstdlib>

namespace kv {

std::string ProgramFolderFrom(const char* xdgDataHome, const char* home)
{
    std::string base;
    if (xdgDataHome && xdgDataHome[0] == '/')
        base = xdgDataHome;
    else if (home && home[0] != '\0')
        base = std::string(home) + "/.local/share";
    else
        base = ".";
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    if (base != "/")
        base += '/';
    return base + "Kelvane Professional/";
}

std::string ProgramFolder()
{
    return ProgramFolderFrom(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

}  // namespace kv
