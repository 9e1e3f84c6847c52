// SPDX-License-Identifier: GPL-2.0-or-later
// How the cost of a settings listing grows with the size of the settings
// file: generates files of 1,000 to 50,000 settings with four values each,
// a machine image holding their tokens, and times `cmoscfg setting save`
// (load, then read every value of every setting) and `cmoscfg setting apply`
// of a file that changes every setting on each. With the kill_at_event
// library it also counts the apply's flushes.
//
// Then each against the load of the same file (`setting list`, which loads
// it and prints the names): the time of `setting readfile` of the file that
// changes every setting (the platform's direct update method), and the most
// memory `setting json` and `setting check --json` of that file hold.
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
#include "scale_machine.hpp"

namespace {

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

// The best of three runs.
template <typename Run>
double best_of_three(Run run)
{
    double best = 1e9;
    for (int round = 0; round < 3; ++round)
        best = std::min(best, run());
    return best;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s CMOSCFG PEAK_MEMORY WORK_DIRECTORY [KILL_AT_EVENT_LIBRARY|- [SETTINGS...]]\n",
                     argv[0]);
        return 2;
    }
    const std::string tool = argv[1];
    const std::string peak_memory = argv[2];
    const std::string work = argv[3];
    const std::string counter = argc > 4 && std::string(argv[4]) != "-" ? argv[4] : "";
    // The sizes measured; the tests' short form names small ones.
    std::vector<int> sizes;
    for (int i = 5; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {1000, 10000, 50000};
    const std::string image = work + "/image";
    build_machine_image(scale_image_description(), image);
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
    for (int settings : sizes) {
        const std::string path = work + "/bios_settings." + std::to_string(settings);
        const std::string requests = work + "/requests." + std::to_string(settings);
        write_scale_settings(path, settings);
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

    std::printf("\n%10s %10s %12s %8s %10s %10s %8s %11s %8s\n", "settings", "load s", "readfile s", "ratio",
                "load KiB", "json KiB", "ratio", "check KiB", "ratio");
    const std::string scratch = work + "/peak";
    for (int settings : sizes) {
        const std::string path = work + "/bios_settings." + std::to_string(settings);
        const std::string requests = work + "/requests." + std::to_string(settings);
        auto run = [&](const std::vector<std::string>& words) {
            return seconds_for_one_run(tool, image, path, words);
        };
        auto peak = [&](const std::vector<std::string>& words) {
            return static_cast<double>(peak_kib_of_one_run(peak_memory, tool, image, path, words, scratch));
        };
        const double load = best_of_three([&] { return run({"setting", "list"}); });
        const double readfile = best_of_three([&] {
            std::ofstream(cmos, std::ios::binary | std::ios::trunc) << pristine;
            return run({"setting", "readfile", requests});
        });
        const double load_kib = best_of_three([&] { return peak({"setting", "list"}); });
        const double json_kib = best_of_three([&] { return peak({"setting", "json"}); });
        const double check_kib = best_of_three([&] { return peak({"setting", "check", "--json", requests}); });
        std::printf("%10d %10.3f %12.3f %8.2f %10.0f %10.0f %8.2f %11.0f %8.2f\n", settings, load, readfile,
                    readfile / load, load_kib, json_kib, json_kib / load_kib, check_kib, check_kib / load_kib);
    }
    return 0;
}
