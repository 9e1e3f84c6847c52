// SPDX-License-Identifier: GPL-2.0-or-later
// How the cost of a settings listing grows with the size of the settings
// file: generates files of 1,000 to 50,000 settings with four values each,
// a machine image holding their tokens, and times `cmoscfg setting save`
// (load, then read every value of every setting) on each.
//
// Run with `make bench`; not part of the tests.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "image/machine_image.hpp"

namespace {

constexpr int TOKENS = 4000;           // an SMBIOS 2.x table holds at most ~12,000
constexpr int TOKENS_PER_STRUCTURE = 40;

std::string image_description()
{
    std::string text = "table e8000\n";
    char line[80];
    for (int t = 0; t < TOKENS; ++t) {
        if (t % TOKENS_PER_STRUCTURE == 0) {
            std::snprintf(line, sizeof line, "d4 d4%02x 70 71 00 40 7f 3e\n", t / TOKENS_PER_STRUCTURE);
            text += line;
        }
        // Four tokens per byte, one for each value of a two-bit field.
        std::snprintf(line, sizeof line, "token %04x %02x fc %02x\n", t + 1, 0x40 + (t / 4) % 0x40, t % 4);
        text += line;
    }
    return text + "end-of-table\nanchor f5a00\nbank 70\n";
}

void write_settings(const std::string& path, int settings)
{
    std::ofstream out(path);
    for (int s = 0; s < settings; ++s) {
        if (s % 100 == 0)
            out << "## Section " << s / 100 << "\n### Subsection\n";
        int first = (s * 4) % TOKENS + 1;
        out << "Setting " << s << ", Value0";
        for (int v = 0; v < 4; ++v)
            out << ", " << std::hex << first + v << std::dec << ":Value" << v;
        out << "\n";
    }
}

double seconds_for_one_save(const std::string& tool, const std::string& image, const std::string& settings)
{
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        if (!std::freopen("/dev/null", "w", stdout))
            _exit(126);
        setenv("CMOSCFG_IMAGE", image.c_str(), 1);
        setenv("CMOSCFG_PLATFORM", "K2A07", 1);
        setenv("CMOSCFG_SETTINGS", settings.c_str(), 1);
        execl(tool.c_str(), "cmoscfg", "setting", "save", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "cmoscfg setting save failed (status %d)\n", status);
        std::exit(1);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s CMOSCFG WORK_DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::string tool = argv[1];
    const std::string work = argv[2];
    const std::string image = work + "/image";
    build_machine_image(image_description(), image);

    std::printf("%10s %12s %16s\n", "settings", "seconds", "microseconds/setting");
    for (int settings : {1000, 10000, 50000}) {
        const std::string path = work + "/bios_settings." + std::to_string(settings);
        write_settings(path, settings);
        double best = 1e9;
        for (int run = 0; run < 3; ++run)
            best = std::min(best, seconds_for_one_save(tool, image, path));
        std::printf("%10d %12.3f %16.2f\n", settings, best, best * 1e6 / settings);
    }
    return 0;
}
