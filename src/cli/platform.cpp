// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/platform.hpp"

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "cli/platform_table.hpp"
#include "cli/recorded_platform.hpp"
#include "hw/update_method.hpp"
#include "lib/debug_trace.hpp"
#include "lib/tool_error.hpp"
#include "lib/shell_command.hpp"
#include "lib/str.hpp"
#include "lib/text_utils.hpp"

namespace {

const char* const PRODUCT_NAME_COMMAND = "dmidecode | grep 'Product Name' -m1 | cut -d':' -f2";

[[noreturn]] void refuse_unlisted_platform(const std::string& platform_name)
{
    throw tool_error{1, format_text("\n"
                                    "'%s' is not a known platform.  That's ok, but the environment variable\n"
                                    "CMOSCFG_UPDATE_METHOD is not set.  Please do one of these: \n"
                                    "\n"
                                    "    To use your unknown platform with the Quor standard 'tokenctl' method\n"
                                    "    of updating BIOS settings, set:\n"
                                    "    \n"
                                    "        export CMOSCFG_UPDATE_METHOD=quor_standard    \n"
                                    "    \n"
                                    "    To use your unknown platform with the Quor ARC legacy method of\n"
                                    "    updating BIOS settings, set:\n"
                                    "    \n"
                                    "        export CMOSCFG_UPDATE_METHOD=arc_direct\n"
                                    "    \n"
                                    "    Or, choose a platform that this tool already knows about:\n"
                                    "    \n"
                                    "        %s\n"
                                    "    \n"
                                    "\n",
                                    platform_name.c_str(), known_platform_list().c_str())};
}

}  // namespace

std::string platform_choice_help(const char* indent)
{
    return format_text("%sYou can skip platform autodetection by setting an environment variable. \n"
                       "%sIf you don't set to a known platform, you must also set the update method\n"
                       "%sto either 'arc_direct' (the legacy ARC method of pushing tokens) or\n"
                       "%s'quor_standard' (the Quor 'tokenctl' method of pushing tokens).\n"
                       "\n"
                       "    (known platforms:  %s)\n"
                       "\n",
                       indent, indent, indent, indent, known_platform_list().c_str());
}

void print_platform_choice_help(const char* indent)
{
    std::fputs(platform_choice_help(indent).c_str(), stdout);
}

namespace {

[[noreturn]] void refuse_failed_autodetection(const std::string& platform_name, const std::string& raw_product_name)
{
    throw tool_error{1, format_text("\n"
                                    "Platform detected  :  %s\n"
                                    "Raw platform string:  %s\n"
                                    "\n"
                                    "Autodetection failed; this is not a known platform.\n"
                                    "\n",
                                    platform_name.c_str(), raw_product_name.c_str()) +
                            platform_choice_help("") +
                            "    export CMOSCFG_PLATFORM=NNNNN\n"
                            "    export CMOSCFG_UPDATE_METHOD=arc_direct\n"
                            "    export CMOSCFG_UPDATE_METHOD=quor_standard\n"
                            "\n"};
}

[[noreturn]] void refuse_unknown_update_method(const std::string& method)
{
    // The second text ends in a newline of its own and is printed as a line,
    // so an empty line follows it before the two further empty lines.
    throw tool_error{1, format_text("Update method override was requested (by environment variable),\n"
                                    "but I don't know this method:  %s\n\n"
                                    "\n"
                                    "\n",
                                    method.c_str())};
}

// CMOSCFG_PLATFORM is set: a known model takes its default method unless
// method overrides it; any other name needs method. Returns the method.
checksum_update_method settle_explicit_platform(const tracer& trace, std::string& platform_name,
                                                const std::string& method)
{
    uppercase_string(platform_name);
    trace("# Platform explicitly set to:  %s\n", platform_name.c_str());

    if (const platform_descriptor* known = known_platform_in(platform_name)) {
        trace("# Platform is known and valid\n");
        if (method.empty())
            return known->default_update_method;
        if (method == "arc_direct") {
            trace("# Update method override:  'direct'.\n");
            return UPDATE_METHOD_DIRECT;
        }
        if (method == "quor_standard") {
            trace("# Update method override:  'quor_standard' (tokenctl).\n");
            return UPDATE_METHOD_STANDARD;
        }
        refuse_unknown_update_method(method);
    }

    if (method == "arc_direct") {
        trace("# Update method set to 'direct'.\n");
        return UPDATE_METHOD_DIRECT;
    }
    if (method == "quor_standard") {
        trace("# Update method set to 'quor_standard' (tokenctl).\n");
        return UPDATE_METHOD_STANDARD;
    }
    refuse_unlisted_platform(platform_name);
}

// The model from the system's product name; its default method always applies.
const platform_descriptor& autodetect_platform(std::string& platform_name)
{
    std::string raw = run_shell_command(PRODUCT_NAME_COMMAND);
    trim_string(raw);
    uppercase_string(raw);
    const platform_descriptor* detected = platform_by_product_name(raw);
    if (detected == nullptr) {
        platform_name = "UNKNOWN";
        refuse_failed_autodetection(platform_name, raw);
    }
    platform_name = detected->model;
    return *detected;
}

}  // namespace

void identify_platform(run_context& run)
{
    std::string& platform_name = run.platform_name;
    platform_name = Str_copy(std::getenv("CMOSCFG_PLATFORM"));
    // Read in every case, but consulted only for an explicit platform.
    std::string method = Str_copy(std::getenv("CMOSCFG_UPDATE_METHOD"));
    lowercase_string(method);

    if (!platform_name.empty()) {
        run.update_method = settle_explicit_platform(run.trace, platform_name, method);
    } else if (std::optional<std::string> record = run.cmos().recorded_platform()) {
        platform_record recorded = adopt_recorded_platform(*record);
        platform_name = recorded.platform;
        run.update_method = recorded.update_method;
    } else {
        run.update_method = autodetect_platform(platform_name).default_update_method;
    }

    run.trace("# Using CMOS update method:  %s\n",
              run.update_method == UPDATE_METHOD_DIRECT ? "(direct access)" : "(tokenctl style)");
}

std::string known_platform_list()
{
    std::string list;
    for (const platform_descriptor& p : known_platforms())
        list = Str_cat(list.c_str(), 1, 0, Str_cat(p.model, 1, 0, "  ", 1, 0).c_str(), 1, 0);
    return list;
}

command_status platform_command(run_context& run, const command_line&)
{
    std::printf("%s\n", run.platform_name.c_str());
    return 0;
}
