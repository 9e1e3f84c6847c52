// SPDX-License-Identifier: GPL-2.0-or-later
// How the cost of a settings listing grows with the size of the settings
// file: generates files of 1,000 to 50,000 settings with four values each,
// a machine image holding their tokens, and times `cmoscfg setting save`
// (load, then read every value of every setting) and `cmoscfg setting apply`
// of a file that changes every setting on each. With the kill_at_event
// library it also counts the apply's flushes.
//
// Run with `make bench`; not part of the tests.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
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

// One run of the tool on the image with the settings file; its standard
// error goes to error_file when one is named, else to the terminal.
double seconds_for_one_run(const std::string& tool, const std::string& image, const std::string& settings,
                           const std::vector<std::string>& words, const std::string& preload = "",
                           const std::string& error_file = "")
{
    std::vector<char*> argv{const_cast<char*>("cmoscfg")};
    for (const std::string& word : words)
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
        execv(tool.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "cmoscfg %s failed (status %d)\n", words.front().c_str(), status);
        std::exit(1);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A request file that changes every setting, from Value0 to Value1.
void write_requests(const std::string& path, int settings)
{
    std::ofstream out(path);
    for (int s = 0; s < settings; ++s)
        out << "Setting " << s << " : Value1\n";
}

// The flushes an apply made, from the counting library's last line.
std::string flushes_of(const std::string& error_file)
{
    std::ifstream in(error_file);
    std::string line, last;
    while (std::getline(in, line))
        last = line;
    const std::size_t comma = last.find(", ");
    return comma == std::string::npos ? "?" : last.substr(comma + 2);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s CMOSCFG WORK_DIRECTORY [KILL_AT_EVENT_LIBRARY]\n", argv[0]);
        return 2;
    }
    const std::string tool = argv[1];
    const std::string work = argv[2];
    const std::string counter = argc == 4 ? argv[3] : "";
    const std::string image = work + "/image";
    build_machine_image(image_description(), image);
    const std::string cmos = image + "/cmos";
    std::string pristine;
    {
        std::ifstream in(cmos, std::ios::binary);
        pristine.assign(std::istreambuf_iterator<char>(in), {});
    }

    // `setting save` reads every value of every setting; `setting apply`
    // judges a file that changes every setting, journals it and writes it.
    std::printf("%10s %12s %16s %12s %16s %10s\n", "settings", "save s", "save us/setting", "apply s",
                "apply us/setting", "flushes");
    for (int settings : {1000, 10000, 50000}) {
        const std::string path = work + "/bios_settings." + std::to_string(settings);
        const std::string requests = work + "/requests." + std::to_string(settings);
        write_settings(path, settings);
        write_requests(requests, settings);
        double save = 1e9;
        for (int run = 0; run < 3; ++run)
            save = std::min(save, seconds_for_one_run(tool, image, path, {"setting", "save"}));
        double apply = 1e9;
        std::string flushes = "-";
        for (int run = 0; run < 3; ++run) {
            std::ofstream(cmos, std::ios::binary | std::ios::trunc) << pristine;
            std::remove((image + "/journal").c_str());
            std::remove((image + "/journal.old").c_str());
            const std::string errors = work + "/apply.err";
            apply = std::min(apply, seconds_for_one_run(tool, image, path, {"setting", "apply", requests}, counter,
                                                        counter.empty() ? "" : errors));
            if (!counter.empty())
                flushes = flushes_of(errors);
        }
        std::printf("%10d %12.3f %16.2f %12.3f %16.2f %10s\n", settings, save, save * 1e6 / settings, apply,
                    apply * 1e6 / settings, flushes.c_str());
    }
    return 0;
}
