// SPDX-License-Identifier: GPL-2.0-or-later
#include "scale_machine.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int TOKENS = 4000;           // an SMBIOS 2.x table holds at most ~12,000
constexpr int TOKENS_PER_STRUCTURE = 40;

}  // namespace

std::string scale_image_description()
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

void write_scale_settings(const std::string& path, int settings)
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

namespace {

// Runs program with arguments on the image and the settings file, as
// seconds_for_one_run describes; a run that fails ends the benchmark.
double seconds_for(const std::string& program, const std::vector<std::string>& arguments, const std::string& what,
                   const std::string& image, const std::string& settings, const std::string& preload,
                   const std::string& error_file)
{
    std::vector<char*> argv{const_cast<char*>("cmoscfg")};
    for (const std::string& word : arguments)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    // What is printed so far must not be printed again by the child.
    std::fflush(nullptr);
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        if (!std::freopen("/dev/null", "w", stdout))
            _exit(126);
        if (!error_file.empty() && !std::freopen(error_file.c_str(), "w", stderr))
            _exit(126);
        setenv("CMOSCFG_IMAGE", image.c_str(), 1);
        setenv("CMOSCFG_PLATFORM", "K2A07", 1);
        setenv("CMOSCFG_SETTINGS", settings.c_str(), 1);
        if (!preload.empty()) {
            setenv("LD_PRELOAD", preload.c_str(), 1);
            setenv("CMOSCFG_TEST_COUNT_EVENTS", "1", 1);
        }
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "cmoscfg %s failed (status %d)\n", what.c_str(), status);
        std::exit(1);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

double seconds_for_one_run(const std::string& tool, const std::string& image, const std::string& settings,
                           const std::vector<std::string>& words, const std::string& preload,
                           const std::string& error_file)
{
    return seconds_for(tool, words, words.front(), image, settings, preload, error_file);
}

long peak_kib_of_one_run(const std::string& peak_memory, const std::string& tool, const std::string& image,
                         const std::string& settings, const std::vector<std::string>& words,
                         const std::string& scratch_file)
{
    std::vector<std::string> arguments{scratch_file, tool};
    arguments.insert(arguments.end(), words.begin(), words.end());
    seconds_for(peak_memory, arguments, words.front(), image, settings, "", "");
    long kib = 0;
    std::ifstream(scratch_file) >> kib;
    return kib;
}
