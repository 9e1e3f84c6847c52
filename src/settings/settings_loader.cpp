// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/settings_loader.hpp"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <istream>
#include <iterator>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "lib/debug_trace.hpp"
#include "lib/file_trust.hpp"
#include "lib/tool_error.hpp"
#include "lib/str.hpp"
#include "lib/text_utils.hpp"
#include "lib/whole_file.hpp"
#include "settings/setting_list.hpp"

namespace {

class settings_reader {
public:
    explicit settings_reader(settings_database& settings) : settings_(settings) {}

    // Line by line as getline splits them; a NUL byte ends its line, since
    // the tool handles lines as C text.
    void read(std::string_view text)
    {
        std::string line;
        for (std::size_t start = 0; start < text.size();) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos)
                end = text.size();
            std::string_view whole = text.substr(start, end - start);
            line.assign(whole.substr(0, whole.find('\0')));
            start = end + 1;
            ++line_number_;
            trim_string(line);
            classify(line);
        }
    }

private:
    // The loader's messages: format takes the line number and the line.
    [[noreturn]] void fail(const char* format, const std::string& line) const
    {
        throw tool_error{1, format_text(format, line_number_, line.c_str())};
    }

    // Every stored text must fit the 79 bytes a settings field holds. Cutting
    // a text short could make two value names equal and set the wrong one, so
    // the line is refused instead.
    const std::string& fitted(const std::string& text, const std::string& line) const
    {
        if (text.size() > SETTING_TEXT_MAX)
            fail("\nError:  Line %d:  Text of 80 bytes or more (at most 79 are kept):\n%s\n\n", line);
        return text;
    }

    void classify(const std::string& line)
    {
        if (line[0] == '#')
            read_head(line);
        else if (line.empty())
            return;
        else if (line[0] == ';')
            read_parameter(line);
        else
            read_setting(line);
    }

    void read_head(const std::string& line)
    {
        if (line.compare(0, 2, "##") == 0 && line[2] != '#') {
            std::string name = Str_sub(line.c_str(), 3, 0);
            trim_string(name);
            section_ = fitted(name, line);
        }
        if (line.compare(0, 3, "###") == 0 && line[3] != '#') {
            std::string name = Str_sub(line.c_str(), 4, 0);
            trim_string(name);
            subsection_ = fitted(name, line);
        }
    }

    // Parameter lines (platform, bios_version, ...) are checked for form only.
    void read_parameter(const std::string& line)
    {
        std::string rest = Str_sub(line.c_str(), 2, 0);
        if (Str_countchar(rest.c_str(), 1, 0, ':') != 1)
            fail("\nError:  Line %d:  Malformed parameter line:\n%s\n\n", line);
    }

    void read_setting(const std::string& line)
    {
        if (Str_countchar(line.c_str(), 1, 0, ',') < 3)
            fail("\nError:  Line %d:  Malformed setting line:\n%s\n\n", line);

        std::vector<std::string> fields = split_at_commas(line);
        std::string name = fields[0];
        trim_string(name);
        std::string default_value;
        std::vector<stoken_node> values;
        for (std::size_t k = 1; k < fields.size(); ++k) {
            std::string field = fields[k];
            trim_string(field);
            if (k == 1) {
                if (Str_findchar(field.c_str(), 1, 0, ':') != 0)
                    fail("Error:  Line %d:  second field (default setting value) appears to be missing:\n%s\n\n",
                         line);
                default_value = field;
                continue;
            }
            if (Str_countchar(field.c_str(), 1, 0, ':') != 1)
                fail("\nError:  Line %d:  Malformed token in line:\n%s\n\n", line);
            std::string token = *Str_field(field.c_str(), 1, 0, ":", 1);
            std::string value_name = *Str_field(field.c_str(), 1, 0, ":", 2);
            append_stoken(values, fitted(token, line), fitted(value_name, line), value_name == default_value);
        }
        settings_.append_setting(section_, subsection_, fitted(name, line), fitted(default_value, line), std::move(values));
    }

    // The fields of a setting line, split at every comma, empty fields kept.
    static std::vector<std::string> split_at_commas(const std::string& line)
    {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
            fields.push_back(line.substr(start, comma - start));
        fields.push_back(line.substr(start));
        return fields;
    }

    settings_database& settings_;
    int line_number_ = 0;
    std::string section_;
    std::string subsection_;
};

[[noreturn]] void cannot_open(const std::string& path, const settings_file_source& source)
{
    throw tool_error{1, format_text("Error:  cannot open settings file for reading:  %s\n", path.c_str()),
                     source.search_note};
}

// An image's file is the image's, not a name the user typed: it was opened
// from the image's directory, without following a link, and only as a regular
// file (a FIFO there must not make the run wait for a writer).
int image_file_descriptor(const std::string& path, const settings_file_source& source)
{
    switch (source.image_file.outcome) {
    case open_outcome::opened:
        return source.image_file.fd;
    case open_outcome::link:
        throw tool_error{1, format_text("Error: refusing settings file %s: it is a symbolic link\n", path.c_str())};
    case open_outcome::not_regular:
        throw tool_error{1, format_text("Error: refusing settings file %s: not a regular file\n", path.c_str())};
    case open_outcome::missing:
    case open_outcome::failed:
        break;
    }
    return -1;
}

// A link that another user planted may point at any of root's files (another
// platform's settings file), which pass as root's own. Checked on the name the
// user gave; fd, when open, is closed before the refusal.
void refuse_planted_link(const std::string& path, int fd = -1)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return;  // the open tells
    if (std::optional<std::string> reason = distrust_link_reason(st)) {
        if (fd >= 0)
            ::close(fd);
        throw tool_error{1, format_text("Error: refusing settings file %s: %s\n", path.c_str(), reason->c_str())};
    }
}

// The whole file, read through one descriptor that is checked first: what is
// parsed, and what a capture copies, is what was checked, even when the name
// is swapped meanwhile or the file is a pipe that reads only once.
std::string read_trusted_file(const std::string& path, const settings_file_source& source)
{
    if (!source.in_image)
        refuse_planted_link(path);
    int fd = source.in_image ? image_file_descriptor(path, source) : ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        cannot_open(path, source);
    // Looked at again once open, so that a link swapped in between is seen.
    if (!source.in_image)
        refuse_planted_link(path, fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        cannot_open(path, source);  // a directory opens but reads as nothing
    }
    if (std::optional<std::string> reason = distrust_reason(st)) {
        ::close(fd);
        throw tool_error{1, format_text("Error: refusing settings file %s: %s\n", path.c_str(), reason->c_str())};
    }
    std::string contents;
    bool read = read_whole_descriptor(fd, contents);
    ::close(fd);
    // A read error must not pass for the end of the file: the settings after
    // it would silently be missing.
    if (!read)
        throw tool_error{1, format_text("Error:  cannot read settings file:  %s\n", path.c_str())};
    return contents;
}

}  // namespace

void load_settings_from(settings_database& settings, std::istream& in)
{
    settings.clear_settings();
    settings.settings_file_in_use.clear();
    settings.settings_file_bytes.clear();
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    settings_reader(settings).read(text);
}

void load_settings(settings_database& settings, const std::string& path, const settings_file_source& source,
                   const tracer& trace)
{
    settings.clear_settings();
    settings.settings_file_in_use.clear();
    settings.settings_file_bytes.clear();
    if (!source.in_image && Str_find(path.c_str(), 1, 0, "NONE") != 0) {
        settings.degraded_mode = 1;
        return;
    }
    trace("# Opening settings file:  %s\n", path.c_str());
    // Parsed from the bytes read, with no stream: a run that needs no other
    // stream is spared the C++ library's locale set-up at start.
    std::string contents = read_trusted_file(path, source);
    settings_reader(settings).read(contents);
    settings.settings_file_in_use = path;
    settings.settings_file_bytes = std::move(contents);
}
