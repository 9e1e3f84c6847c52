// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/settings_check.hpp"

#include <cstdio>
#include <fstream>

#include "hw/cmos_rehearsal.hpp"
#include "hw/token_write.hpp"
#include "lib/text_file.hpp"
#include "lib/text_utils.hpp"
#include "settings/setting_list.hpp"
#include "settings/setting_state.hpp"
#include "settings/setting_usage.hpp"
#include "settings/user_settings_reader.hpp"

namespace {

// Names and values as the report shows them: a control character (a carriage
// return left by a CR LF file, a tab) is written as an escape, since it would
// be invisible and yet makes the name differ.
std::string visible(const std::string& text)
{
    std::string shown;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '\r')
            shown += "\\r";
        else if (c == '\t')
            shown += "\\t";
        else if (byte < 0x20 || byte == 0x7F) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            shown += escape;
        } else
            shown += c;
    }
    return shown;
}

// A setting as readfile's present test and strict read find it, without the
// messages they print on the way.
struct setting_reading {
    int matching = 0;                        // settings of that name
    std::vector<const stoken_node*> set;     // values whose token tests as set
    std::string set_names;                   // their names run together

    bool present() const { return !set_names.empty(); }
};

setting_reading read_quietly(const std::string& name)
{
    setting_reading reading;
    for (int index : settings_named(name)) {
        ++reading.matching;
        for (const stoken_node& value : setting_at(index).stokens) {
            const token_entry* token = value_token(value);
            if (token != nullptr && token_is_set(*token)) {
                reading.set.push_back(&value);
                reading.set_names += value.value_name;
            }
        }
    }
    return reading;
}

// The value that set_setting would write: the first of that name, through
// the settings of that name in list order.
const stoken_node* value_to_write(const std::string& name, const std::string& value)
{
    for (int index : settings_named(name)) {
        for (const stoken_node& candidate : setting_at(index).stokens) {
            if (candidate.value_name == value)
                return &candidate;
        }
    }
    return nullptr;
}

// The values of the setting whose token this machine has, for the user to choose from.
std::string offered_values(const std::string& name)
{
    std::string offered;
    for (int index : settings_named(name)) {
        for (const stoken_node& value : setting_at(index).stokens) {
            if (value_token(value) != nullptr)
                offered += (offered.empty() ? "" : ", ") + visible(value.value_name);
        }
    }
    return offered;
}

// A setting whose name differs from name in letter case only; nullptr when none.
const setting_node* same_name_but_case(const std::string& name)
{
    std::string wanted = name;
    lowercase_string(wanted);
    for (int i = 0; i < setting_count(); ++i) {
        std::string candidate = setting_at(i).name;
        lowercase_string(candidate);
        if (candidate == wanted)
            return &setting_at(i);
    }
    return nullptr;
}

class settings_check {
public:
    void check(const user_settings_line& line)
    {
        if (line.what == user_settings_line::kind::malformed) {
            std::printf("Line %d:  PROBLEM:  malformed, a request is one name, ':' and one value:  %s\n", line.number,
                        visible(line.text).c_str());
            stop_at(line.number);
            return;
        }
        check_request(line.number, line.name, line.value);
    }

    int finish() const
    {
        std::printf("\n%d settings would change, %d problems.\n", changes_, problems_);
        if (stop_line_ != 0)
            std::printf("readfile would stop at line %d.\n\n", stop_line_);
        else
            std::puts("readfile would complete.\n");
        return problems_ == 0 ? 0 : 1;
    }

private:
    void check_request(int number, const std::string& name_text, const std::string& value)
    {
        const std::string shown_name = visible(name_text);
        const char* name = shown_name.c_str();
        const std::string shown_value = visible(value);
        const char* value_text = shown_value.c_str();
        setting_reading reading = read_quietly(name_text);
        if (reading.matching == 0) {
            if (const setting_node* similar = same_name_but_case(name_text))
                std::printf("Line %d:  %s:  PROBLEM:  no such setting; only the case differs from %s\n", number, name,
                            visible(similar->name).c_str());
            else
                std::printf("Line %d:  %s:  PROBLEM:  no such setting\n", number, name);
            ++problems_;
            return;
        }
        if (!reading.present()) {
            std::printf("Line %d:  %s:  PROBLEM:  not present on this system\n", number, name);
            ++problems_;
            return;
        }
        if (reading.set.size() != 1) {
            std::printf("Line %d:  %s:  PROBLEM:  %zu of its values are set at once\n", number, name, reading.set.size());
            stop_at(number);
            return;
        }
        const std::string& current = reading.set_names;
        if (current == value) {
            std::printf("Line %d:  %s:  already %s\n", number, name, value_text);
            return;
        }
        const stoken_node* wanted = value_to_write(name_text, value);
        const token_entry* token = wanted != nullptr ? value_token(*wanted) : nullptr;
        if (wanted == nullptr) {
            std::printf("Line %d:  %s:  PROBLEM:  %s is not one of its values:  %s\n", number, name, value_text,
                        offered_values(name_text).c_str());
            stop_at(number);
            return;
        }
        if (token == nullptr) {
            std::printf("Line %d:  %s:  PROBLEM:  the token %04x of %s is not on this system\n", number, name,
                        static_cast<unsigned>(wanted->token_id), value_text);
            stop_at(number);
            return;
        }
        std::printf("Line %d:  %s:  would change from %s to %s\n", number, name, visible(current).c_str(),
                    value_text);
        set_d4_token(token->index_port, token->location, token->and_mask, token->or_mask);
        ++changes_;
    }

    // A problem at which readfile would end the run.
    void stop_at(int number)
    {
        ++problems_;
        if (stop_line_ == 0)
            stop_line_ = number;
    }

    int changes_ = 0;
    int problems_ = 0;
    int stop_line_ = 0;
};

}  // namespace

int check_user_settings(std::istream& in)
{
    cmos_rehearsal rehearsal;
    settings_check check;
    user_settings_line line;
    while (read_user_settings_line(in, line)) {
        if (line.what != user_settings_line::kind::skipped)
            check.check(line);
    }
    return check.finish();
}

int setting_check_command(const std::vector<std::string>& words)
{
    if (words.size() < 4) {
        print_setting_usage();
        std::puts("ERROR:  you must provide the filename of the settings to check.\n");
        return 1;
    }
    const std::string& file_name = words[3];
    std::ifstream in;
    if (!open_text_file(file_name, in)) {
        std::printf("Error:  cannot open user bios settings file for reading:  %s\n\n", file_name.c_str());
        return 1;
    }
    int status = check_user_settings(in);
    if (in.bad()) {
        std::printf("Error:  cannot read user bios settings file:  %s\n\n", file_name.c_str());
        return 1;
    }
    return status;
}
