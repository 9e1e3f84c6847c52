// SPDX-License-Identifier: GPL-2.0-or-later
// The platform settings loader over any text, through its stream interface.
// A malformed line ends the run with status 1; whatever it accepts keeps
// every text within a settings field and is found again by name.
#include <sstream>
#include <string>

#include "fuzz_target.hpp"
#include "settings/setting_list.hpp"
#include "settings/settings_loader.hpp"

namespace {

bool fits(const std::string& text)
{
    return text.size() <= SETTING_TEXT_MAX;
}

}  // namespace

FUZZ_TARGET(settings_loader)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    settings_database settings;
    run_to_end([&] { load_settings_from(settings, in); });
    for (int i = 0; i < settings.setting_count(); ++i) {
        const setting_node& setting = settings.setting_at(i);
        fuzz_check(fits(setting.section) && fits(setting.subsection) && fits(setting.name) &&
                       fits(setting.default_value),
                   "a setting text longer than a settings field");
        for (const stoken_node& value : setting.stokens)
            fuzz_check(fits(value.token) && fits(value.value_name), "a value text longer than a settings field");
        bool indexed = false;
        for (int k : settings.settings_named(setting.name))
            indexed = indexed || k == i;
        fuzz_check(indexed, "a setting not found by its name");
    }
    return 0;
}
