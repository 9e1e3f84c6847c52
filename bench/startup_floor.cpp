// SPDX-License-Identifier: GPL-2.0-or-later
// The floor of a Debian-packaged C++ tool: the same one shell command as
// startup_floor.c, in a program linked against the shared C++ library, as
// cmoscfg is. What it costs over the static C floor is the loader's and the
// C++ library's, not the tool's.
#include <cstdio>
#include <string>

int main()
{
    std::FILE* pipe = ::popen("echo;echo There may be a problem using this version of cmoscfg on this system.  "
                              "Try the other version and see the README file for more information.  Hit ctrl-c.",
                              "r");
    if (pipe == nullptr)
        return 1;
    std::string output;
    char buffer[128];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        output += buffer;
    return ::pclose(pipe) == 0 && !output.empty() ? 0 : 1;
}
