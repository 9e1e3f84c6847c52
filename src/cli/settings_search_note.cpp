// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/settings_search_note.hpp"

#include <climits>
#include <unistd.h>

namespace {

// A relative name is looked for from the working directory, which the user
// may not have in mind: it is named.
std::string described(const std::string& place)
{
    if (!place.empty() && place[0] == '/')
        return place;
    char directory[PATH_MAX];
    if (::getcwd(directory, sizeof directory) == nullptr)
        return place + " (in the working directory)";
    return place + " (in " + directory + ")";
}

}  // namespace

std::string implicit_search_note(const std::vector<std::string>& places)
{
    std::string line = "cmoscfg: looked for the settings file as ";
    for (std::size_t i = 0; i < places.size(); ++i) {
        if (i > 0)
            line += i + 1 == places.size() ? " and then " : ", then ";
        line += described(places[i]);
    }
    return line + "; CMOSCFG_SETTINGS names the file (NONE: none), CMOSCFG_SETTINGS_PATH the directory it is in.";
}

std::string explicit_name_note(const std::string& file_name, bool image_searched)
{
    return "cmoscfg: CMOSCFG_SETTINGS names the settings file (after CMOSCFG_SETTINGS_PATH, if set), so no other "
           "place was looked at; without them, " +
           file_name + " is looked for " + (image_searched ? "in the machine image, " : "") +
           "in the working directory and in " + SETTINGS_INSTALL_DIRECTORY + ".";
}
