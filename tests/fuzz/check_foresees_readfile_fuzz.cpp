// SPDX-License-Identifier: GPL-2.0-or-later
// `setting check` and its --json document foresee `setting readfile` exactly:
// on the same machine and the same user settings file, the check's stop line
// is the line where readfile stops (none when it completes), the bytes the
// check says readfile
// writes are those it writes, in the same order, and they leave CMOS as
// readfile leaves it. An input whose first line is "#direct" runs under the
// direct update method, any other under the standard one. A write to the
// machine's broken bank fails, and check must foresee that failure too.
#include <cstring>
#include <map>
#include <sstream>
#include <nlohmann/json.hpp>
#include <string>

#include "fuzz_target.hpp"
#include "settings/bulk_apply.hpp"
#include "settings/settings_check.hpp"
#include "settings/settings_check_json.hpp"
#include "settings_machine.hpp"

namespace {

// The line readfile stopped at, from how far it read the stream: it reads a
// line at a time and stops right after the line it refuses.
int lines_read(std::istringstream& in, const std::string& text)
{
    in.clear();
    std::streamoff at = in.tellg();
    std::size_t end = at < 0 ? text.size() : static_cast<std::size_t>(at);
    int lines = 0;
    for (std::size_t i = 0; i < end; ++i)
        lines += text[i] == '\n';
    if (end == text.size() && !text.empty() && text.back() != '\n')
        ++lines;
    return lines;
}

}  // namespace

FUZZ_TARGET(check_foresees_readfile)
{
    static engine_run& run = prepared_run();
    memory_machine& m = run.machine;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const bool direct = size >= 7 && std::memcmp(data, "#direct", 7) == 0;
    run.update_method = direct ? UPDATE_METHOD_DIRECT : UPDATE_METHOD_STANDARD;

    reset_machine(m);
    std::istringstream check_in(text);
    settings_check_result check;
    std::string document_text;
    settings_check_document document([&document_text](std::string_view piece) { document_text += piece; });
    fuzz_check(run_to_end([&] { check = check_user_settings(run.context(), check_in, [&](const check_entry& e) { document.add(e); }); }),
               "setting check ended the run");
    fuzz_check(m.writes.empty(), "setting check wrote a CMOS byte");

    // What CMOS holds after the foreseen writes.
    std::map<std::uint16_t, std::vector<std::uint8_t>> foreseen = m.cmos;
    for (const cmos_byte_change& byte : check.writes_until_stop)
        foreseen[byte.index_port][byte.location] = byte.value;

    std::istringstream readfile_in(text);
    const bool completed = run_to_end([&] { read_user_settings_from(run.context(), readfile_in); });
    run.writes.finish();
    fuzz_check(completed == (check.stop_line == 0), "check and readfile disagree on whether readfile completes");
    if (!completed)
        fuzz_check(lines_read(readfile_in, text) == check.stop_line, "readfile stopped at another line");
    // The document of `setting check --json` tells the same.
    fuzz_check(document.finish(check).empty(), "check --json kept text it had written");
    const nlohmann::ordered_json parsed = nlohmann::ordered_json::parse(document_text);
    fuzz_check(parsed.dump(2) + "\n" == document_text, "check --json's pieces differ from the whole document's dump");
    const nlohmann::ordered_json& summary = parsed["summary"];
    fuzz_check(summary["completes"] == completed, "check --json and readfile disagree on whether it completes");
    fuzz_check(completed ? summary["stop_line"].is_null() : summary["stop_line"] == check.stop_line,
               "check --json names another stop line");
    fuzz_check(m.writes.size() == check.writes_until_stop.size(), "readfile wrote another number of bytes");
    for (std::size_t i = 0; i < m.writes.size() && i < check.writes_until_stop.size(); ++i) {
        const cmos_byte_change& predicted = check.writes_until_stop[i];
        fuzz_check(m.writes[i] == memory_machine::cmos_write{predicted.index_port, predicted.location, predicted.value},
                   "readfile wrote another byte than foreseen");
    }
    fuzz_check(m.cmos == foreseen, "readfile left CMOS otherwise than foreseen");
    return 0;
}
