#include "cli/platform.hpp"

#include <cstdio>
#include <cstdlib>

#include "hw/update_method.hpp"
#include "lib/debug_trace.hpp"
#include "lib/platform_name.hpp"
#include "lib/process_exit.hpp"
#include "lib/shell_command.hpp"
#include "lib/str.hpp"
#include "lib/text_utils.hpp"

namespace {

struct known_platform {
    const char* model;
    int default_update_method;
    // What identifies the model in a product name. K2D07 systems report the
    // model without its leading letter.
    const char* product_name_mark;
};

// The order decides which model wins when a name contains several, and is the
// order of every listing.
constexpr known_platform known_platforms[] = {
    {"K2A07", UPDATE_METHOD_DIRECT, "K2A07"},
    {"K2B07", UPDATE_METHOD_DIRECT, "K2B07"},
    {"K2C07", UPDATE_METHOD_DIRECT, "K2C07"},
    {"K2C08", UPDATE_METHOD_DIRECT, "K2C08"},
    {"K2C09", UPDATE_METHOD_DIRECT, "K2C09"},
    {"K2D07", UPDATE_METHOD_DIRECT, "2D07"},
    {"K2E07", UPDATE_METHOD_STANDARD, "K2E07"},
    {"K2F07", UPDATE_METHOD_STANDARD, "K2F07"},
    {"K2G07", UPDATE_METHOD_STANDARD, "K2G07"},
};

const char* const PRODUCT_NAME_COMMAND = "dmidecode | grep 'Product Name' -m1 | cut -d':' -f2";

bool contains(const std::string& text, const char* word)
{
    return Str_find(text.c_str(), 1, 0, word) != 0;
}

void trace_line(const char* line)
{
    if (debug_enabled)
        std::puts(line);
}

[[noreturn]] void refuse_unlisted_platform()
{
    std::puts("");
    std::printf("'%s' is not a known platform.  That's ok, but the environment variable\n", platform_name.c_str());
    std::puts("CMOSCFG_UPDATE_METHOD is not set.  Please do one of these: ");
    std::puts("");
    std::puts("    To use your unknown platform with the Quor standard 'tokenctl' method");
    std::puts("    of updating BIOS settings, set:");
    std::puts("    ");
    std::puts("        export CMOSCFG_UPDATE_METHOD=quor_standard    ");
    std::puts("    ");
    std::puts("    To use your unknown platform with the Quor ARC legacy method of");
    std::puts("    updating BIOS settings, set:");
    std::puts("    ");
    std::puts("        export CMOSCFG_UPDATE_METHOD=arc_direct");
    std::puts("    ");
    std::puts("    Or, choose a platform that this tool already knows about:");
    std::puts("    ");
    std::printf("        %s\n", known_platform_list().c_str());
    std::puts("    ");
    std::puts("");
    end_process(1);
}

}  // namespace

void print_platform_choice_help(const char* indent)
{
    std::printf("%sYou can skip platform autodetection by setting an environment variable. \n", indent);
    std::printf("%sIf you don't set to a known platform, you must also set the update method\n", indent);
    std::printf("%sto either 'arc_direct' (the legacy ARC method of pushing tokens) or\n", indent);
    std::printf("%s'quor_standard' (the Quor 'tokenctl' method of pushing tokens).\n", indent);
    std::puts("");
    std::printf("    (known platforms:  %s)\n", known_platform_list().c_str());
    std::puts("");
}

namespace {

[[noreturn]] void refuse_failed_autodetection(const std::string& raw_product_name)
{
    std::puts("");
    std::printf("Platform detected  :  %s\n", platform_name.c_str());
    std::printf("Raw platform string:  %s\n", raw_product_name.c_str());
    std::puts("");
    std::puts("Autodetection failed; this is not a known platform.");
    std::puts("");
    print_platform_choice_help("");
    std::puts("    export CMOSCFG_PLATFORM=NNNNN");
    std::puts("    export CMOSCFG_UPDATE_METHOD=arc_direct");
    std::puts("    export CMOSCFG_UPDATE_METHOD=quor_standard");
    std::puts("");
    end_process(1);
}

[[noreturn]] void refuse_unknown_update_method(const std::string& method)
{
    // The second text ends in a newline of its own and is printed as a line,
    // so an empty line follows it before the two further empty lines.
    std::puts("Update method override was requested (by environment variable),");
    std::printf("but I don't know this method:  %s\n\n", method.c_str());
    std::puts("");
    std::puts("");
    end_process(1);
}

// CMOSCFG_PLATFORM is set: a known model takes its default method unless
// method overrides it; any other name needs method.
void settle_explicit_platform(const std::string& method)
{
    uppercase_string(platform_name);
    if (debug_enabled)
        std::printf("# Platform explicitly set to:  %s\n", platform_name.c_str());

    if (is_known_platform(platform_name)) {
        trace_line("# Platform is known and valid");
        if (method.empty())
            return;
        if (method == "arc_direct") {
            trace_line("# Update method override:  'direct'.");
            update_method = UPDATE_METHOD_DIRECT;
        } else if (method == "quor_standard") {
            trace_line("# Update method override:  'quor_standard' (tokenctl).");
            update_method = UPDATE_METHOD_STANDARD;
        } else {
            refuse_unknown_update_method(method);
        }
        return;
    }

    if (method == "arc_direct") {
        trace_line("# Update method set to 'direct'.");
        update_method = UPDATE_METHOD_DIRECT;
    } else if (method == "quor_standard") {
        trace_line("# Update method set to 'quor_standard' (tokenctl).");
        update_method = UPDATE_METHOD_STANDARD;
    } else {
        refuse_unlisted_platform();
    }
}

// The model from the system's product name; its default method always applies.
void autodetect_platform()
{
    std::string raw = run_shell_command(PRODUCT_NAME_COMMAND);
    trim_string(raw);
    uppercase_string(raw);
    platform_name = platform_from_product_name(raw);
    if (!is_known_platform(platform_name))
        refuse_failed_autodetection(raw);
}

}  // namespace

void identify_platform()
{
    platform_name = Str_copy(std::getenv("CMOSCFG_PLATFORM"));
    // Read in every case, but consulted only for an explicit platform.
    std::string method = Str_copy(std::getenv("CMOSCFG_UPDATE_METHOD"));
    lowercase_string(method);

    if (!platform_name.empty())
        settle_explicit_platform(method);
    else
        autodetect_platform();

    if (debug_enabled)
        std::printf("# Using CMOS update method:  %s\n",
                    update_method == UPDATE_METHOD_DIRECT ? "(direct access)" : "(tokenctl style)");
}

int is_known_platform(const std::string& name)
{
    update_method = UPDATE_METHOD_DIRECT;
    for (const known_platform& p : known_platforms) {
        if (contains(name, p.model)) {
            update_method = p.default_update_method;
            return 1;
        }
    }
    return 0;
}

std::string platform_from_product_name(const std::string& product_name)
{
    std::string model = "unknown";
    for (const known_platform& p : known_platforms) {
        if (contains(product_name, p.product_name_mark)) {
            model = p.model;
            break;
        }
    }
    uppercase_string(model);
    return model;
}

std::string known_platform_list()
{
    std::string list;
    for (const known_platform& p : known_platforms)
        list = Str_cat(list.c_str(), 1, 0, Str_cat(p.model, 1, 0, "  ", 1, 0).c_str(), 1, 0);
    return list;
}

void platform_command(const command_line&)
{
    std::printf("%s\n", platform_name.c_str());
    end_process(0);
}
