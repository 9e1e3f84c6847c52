// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

// A machine image with many tokens and settings files of any size on it,
// for the benchmarks that measure how a cost grows with the settings: the
// settings have four values each, on two-bit fields of bank 70.

// The image's description, for build_machine_image.
std::string scale_image_description();

// A settings file of that many settings; each setting's default is Value0.
void write_scale_settings(const std::string& path, int settings);

// One run of the tool on the image with the settings file (platform K2A07),
// its standard output thrown away and its standard error to error_file when
// one is named, else to the terminal; a run that fails ends the benchmark.
// The seconds it took.
double seconds_for_one_run(const std::string& tool, const std::string& image, const std::string& settings,
                           const std::vector<std::string>& words, const std::string& preload = "",
                           const std::string& error_file = "");

// The same run, through the peak_memory program: the most memory the tool
// held, in KiB. scratch_file receives the figure.
long peak_kib_of_one_run(const std::string& peak_memory, const std::string& tool, const std::string& image,
                         const std::string& settings, const std::vector<std::string>& words,
                         const std::string& scratch_file);
