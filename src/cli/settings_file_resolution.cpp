// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/settings_file_resolution.hpp"

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "cli/settings_search_note.hpp"
#include "lib/str.hpp"
#include "lib/text_utils.hpp"

namespace {

bool can_open(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr)
        return false;
    std::fclose(file);
    return true;
}

// Where an image keeps the settings file of its machine, as a capture does.
std::string path_in_image(const std::string& directory, const std::string& file_name)
{
    return directory.empty() || directory.back() != '/' ? directory + "/" + file_name : directory + file_name;
}

}  // namespace

std::string settings_file_name(const std::string& platform)
{
    std::string lower = platform;
    lowercase_string(lower);
    return "bios_settings." + lower;
}

settings_file_choice resolve_settings_file(machine& m, const std::string& platform_name, const tracer& trace)
{
    std::string name_override = Str_copy(std::getenv("CMOSCFG_SETTINGS"));
    std::string path = Str_copy(std::getenv("CMOSCFG_SETTINGS_PATH"));
    // Only when the user names no place: then the image's own file comes first.
    std::optional<std::string> image = path.empty() ? m.image_directory() : std::nullopt;

    if (!path.empty()) {
        if (path.back() != '/')
            path += '/';
        trace("# Settings file path set to:  %s\n", path.c_str());
    }

    std::string file_name = settings_file_name(platform_name);

    settings_file_choice choice;
    if (!name_override.empty()) {
        trace("# Settings file overridden to:  %s\n", name_override.c_str());
        choice.name = path + name_override;
        choice.source.search_note = explicit_name_note(file_name, image.has_value());
    } else {
        trace("# Settings file is being implicitly constructed.\n");
        std::vector<std::string> searched;
        opened_file in_image;
        if (image) {
            searched.push_back(path_in_image(*image, file_name));
            in_image = m.open_image_file(file_name);
        }
        if (image && in_image.outcome != open_outcome::missing) {
            trace("# Settings file is in the machine image.\n");
            choice.name = searched.back();
            choice.source.in_image = true;
            choice.source.image_file = in_image;
        } else {
            choice.name = path + file_name;
            searched.push_back(choice.name);
            if (can_open(choice.name)) {
                trace("# Settings file is in current working directory.\n");
            } else {
                trace("# Settings file is assumed to be in /opt/quor/qsv/\n");
                choice.name = SETTINGS_INSTALL_DIRECTORY + choice.name;
                searched.push_back(choice.name);
            }
        }
        choice.source.search_note = implicit_search_note(searched);
    }
    trace("# Attempting to read from settings file: %s\n", choice.name.c_str());
    return choice;
}
