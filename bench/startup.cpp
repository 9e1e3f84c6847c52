// SPDX-License-Identifier: GPL-2.0-or-later
// What a run of cmoscfg costs before it does anything, against the floor of
// the one shell command that every run makes: `cmoscfg platform` and
// `cmoscfg boot-record` on a machine image, the static C floor and the
// dynamically linked C++ floor, and optionally an older build of the tool.
//
// The programs are run in turns within each round, so that a slower moment
// of the machine weighs on all of them alike, and the medians are compared:
// a ratio taken in one run does not depend on how fast this machine is.
//
// usage: bench_startup ROUNDS IMAGE STATIC_C_FLOOR CXX_FLOOR CMOSCFG [BASELINE_CMOSCFG]
// IMAGE is copied first: boot-record keeps its record in the image it runs on.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct program {
    std::string label;
    std::vector<std::string> words;
    std::vector<double> seconds;
};

// One run with the standard output and error thrown away and an environment
// of its own, so that nothing the caller has set (a CMOSCFG_ variable, DEBUG)
// changes what is measured. A failed run is -1.
double seconds_for_one_run(const program& p, const std::string& image)
{
    const std::string image_variable = "CMOSCFG_IMAGE=" + image;
    std::vector<char*> argv;
    for (const std::string& word : p.words)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    char* envp[] = {const_cast<char*>("PATH=/usr/bin:/bin"), const_cast<char*>(image_variable.c_str()), nullptr};

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (null < 0 || ::dup2(null, 1) < 0 || ::dup2(null, 2) < 0)
            ::_exit(126);
        ::execve(argv[0], argv.data(), envp);
        ::_exit(127);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench_startup: %s failed (wait status %d)\n", p.label.c_str(), status);
        return -1;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr, "usage: %s ROUNDS IMAGE STATIC_C_FLOOR CXX_FLOOR CMOSCFG [BASELINE_CMOSCFG]\n", argv[0]);
        return 2;
    }
    const int rounds = std::atoi(argv[1]);
    if (rounds < 1) {
        std::fprintf(stderr, "bench_startup: ROUNDS must be a positive number\n");
        return 2;
    }
    char scratch[] = "/tmp/bench_startup.XXXXXX";
    if (::mkdtemp(scratch) == nullptr) {
        std::perror("bench_startup: mkdtemp");
        return 1;
    }
    const std::string image = std::string(scratch) + "/image";
    std::filesystem::copy(argv[2], image, std::filesystem::copy_options::recursive);
    // An image names its boot in this file. Without it boot-record still
    // records, but with no boot id, which no real boot lacks.
    std::ofstream(image + "/boot_id") << "6a0b5e1c-bench-0000-0000-000000000000\n";

    std::vector<program> programs = {
        {"static C floor (one shell command)", {argv[3]}, {}},
        {"dynamic C++ floor (one shell command)", {argv[4]}, {}},
        {"cmoscfg platform", {argv[5], "platform"}, {}},
        {"cmoscfg boot-record", {argv[5], "boot-record"}, {}},
    };
    if (argc == 7)
        programs.push_back({"baseline cmoscfg platform", {argv[6], "platform"}, {}});

    for (int round = 0; round < rounds; ++round) {
        // A different program starts each round, so none always follows another.
        for (std::size_t turn = 0; turn < programs.size(); ++turn) {
            program& p = programs[(turn + round) % programs.size()];
            const double seconds = seconds_for_one_run(p, image);
            if (seconds < 0) {
                std::filesystem::remove_all(scratch);
                return 1;
            }
            p.seconds.push_back(seconds);
        }
    }

    const double static_floor = median(programs[0].seconds);
    const double cxx_floor = median(programs[1].seconds);
    std::printf("start-up, median of %d rounds\n", rounds);
    std::printf("%-40s %12s %14s %14s\n", "program", "milliseconds", "x static C", "x dynamic C++");
    for (const program& p : programs) {
        const double seconds = median(p.seconds);
        std::printf("%-40s %12.3f %14.3f %14.3f\n", p.label.c_str(), seconds * 1e3, seconds / static_floor,
                    seconds / cxx_floor);
    }
    if (argc == 7) {
        const double now = median(programs[2].seconds);
        const double before = median(programs[4].seconds);
        std::printf("cmoscfg platform against the baseline: %.3f (ratios to the static C floor, %.3f / %.3f)\n",
                    now / before, now / static_floor, before / static_floor);
    }
    std::filesystem::remove_all(scratch);
    return 0;
}
