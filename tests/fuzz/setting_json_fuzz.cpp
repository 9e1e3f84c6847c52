// SPDX-License-Identifier: GPL-2.0-or-later
// `setting json` over any platform settings file, on the fixed machine: the
// names and values are bytes from the file, and whatever the loader accepts
// must come out as one valid JSON document that lists every setting, written
// a setting at a time with the very bytes of the whole document's dump.
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
    static const engine_run& prepared = prepared_run();
    engine_run run;   // settings of its own, over the same CMOS and tokens
    run.token_table = prepared.token_table;
    reset_machine(run.machine);
    memory_machine& m = run.machine;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    if (!run_to_end([&] { load_settings_from(run.settings, in); }))
        return 0;
    std::string document;
    int problems = 0;
    if (!run_to_end([&] {
            problems = write_settings_json(run.context(), [&document](std::string_view piece) { document += piece; });
        }))
        return 0;
    nlohmann::ordered_json parsed = nlohmann::ordered_json::parse(document, nullptr, false);
    fuzz_check(!parsed.is_discarded(), "setting json printed a document that is not valid JSON");
    fuzz_check(parsed.dump(2) + "\n" == document, "setting json's pieces differ from the whole document's dump");
    fuzz_check(parsed["settings"].size() == static_cast<std::size_t>(run.settings.setting_count()),
               "setting json left out a setting");
    fuzz_check(m.writes.empty(), "setting json wrote a CMOS byte");
    return 0;
}
