// SPDX-License-Identifier: GPL-2.0-or-later
// `setting json` over any platform settings file, on the fixed machine: the
// names and values are bytes from the file, and whatever the loader accepts
// must come out as one valid JSON document that lists every setting.
#include <nlohmann/json.hpp>

#include <sstream>
#include <string>

#include "fuzz_target.hpp"
#include "settings/setting_list.hpp"
#include "settings/settings_json.hpp"
#include "settings/settings_loader.hpp"
#include "settings_machine.hpp"

FUZZ_TARGET(setting_json)
{
    static memory_machine& m = prepared_machine();
    reset_machine(m);
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    if (!run_to_end([&in] { load_settings_from(in); }))
        return 0;
    std::string document;
    if (!run_to_end([&document] { document = settings_json_document(); }))
        return 0;
    nlohmann::json parsed = nlohmann::json::parse(document, nullptr, false);
    fuzz_check(!parsed.is_discarded(), "setting json printed a document that is not valid JSON");
    fuzz_check(parsed["settings"].size() == static_cast<std::size_t>(setting_count()),
               "setting json left out a setting");
    fuzz_check(m.writes.empty(), "setting json wrote a CMOS byte");
    return 0;
}
