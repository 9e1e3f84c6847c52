// SPDX-License-Identifier: GPL-2.0-or-later
// What `cmoscfg setting metrics --baseline FILE --output FILE` costs, as the
// metrics timer runs it: on the demo image, and on an image with 10,000
// settings (of settings_scale's kind) whose baseline names every one. Prints
// the best of five runs, the series written and their bound (two a setting
// and thirty more), and fails when the file holds more.
//
// Run with `make bench`; the tests do not run it.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "image/machine_image.hpp"
#include "scale_machine.hpp"

namespace {

// Samples of the metrics file: its lines that are no comment.
int series_in(const std::string& path)
{
    std::ifstream in(path);
    int series = 0;
    for (std::string line; std::getline(in, line);)
        series += !line.empty() && line[0] != '#' ? 1 : 0;
    return series;
}

// Settings of a settings file: its lines that are no comment, head or parameter.
int settings_in(const std::string& path)
{
    std::ifstream in(path);
    int settings = 0;
    for (std::string line; std::getline(in, line);)
        settings += !line.empty() && line[0] != '#' && line[0] != ';' ? 1 : 0;
    return settings;
}

// One row of the table; false when the file holds more series than allowed.
bool measure(const char* what, const std::string& tool, const std::string& image, const std::string& settings,
             const std::string& baseline, const std::string& output)
{
    const int setting_count = settings_in(settings);
    double best = 1e9;
    for (int run = 0; run < 5; ++run)
        best = std::min(best, seconds_for_one_run(tool, image, settings,
                                                  {"setting", "metrics", "--baseline", baseline, "--output", output}));
    const int series = series_in(output);
    const int bound = 2 * setting_count + 30;
    std::printf("%-22s %9d %10.3f %9d %9d\n", what, setting_count, best, series, bound);
    return series <= bound;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s CMOSCFG DEMO_IMAGE DEMO_SETTINGS WORK_DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::string tool = argv[1];
    const std::string demo = argv[2];
    const std::string demo_settings = argv[3];
    const std::string work = argv[4];

    std::printf("%-22s %9s %10s %9s %9s\n", "metrics", "settings", "seconds", "series", "at most");
    // The demo's baseline: a setting the image has, at another value.
    const std::string demo_baseline = work + "/demo.baseline";
    std::ofstream(demo_baseline) << "Turbo Mode : Disabled\n";
    bool within = measure("demo image", tool, demo, demo_settings, demo_baseline, work + "/demo.prom");

    const int settings = 10000;
    const std::string image = work + "/image";
    build_machine_image(scale_image_description(), image);
    const std::string path = work + "/bios_settings.scale";
    write_scale_settings(path, settings);
    // Every setting named, each at another value than its default: all drift.
    const std::string baseline = work + "/scale.baseline";
    {
        std::ofstream out(baseline);
        for (int s = 0; s < settings; ++s)
            out << "Setting " << s << " : Value1\n";
    }
    within = measure("10,000 settings", tool, image, path, baseline, work + "/scale.prom") && within;
    if (!within)
        std::fprintf(stderr, "metrics: more series than two a setting and thirty more\n");
    return within ? 0 : 1;
}
