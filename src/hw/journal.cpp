// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/journal.hpp"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdio.h>
#include <unistd.h>

#include "lib/json_number.hpp"
#include "lib/whole_file.hpp"

namespace {

using json = nlohmann::ordered_json;

json optional_text(const std::optional<std::string>& text)
{
    return text ? json(*text) : json(nullptr);
}

std::optional<std::string> text_or_null(const json& value)
{
    if (value.is_null())
        return std::nullopt;
    return value.get<std::string>();
}

const char* mark_name(apply_mark mark)
{
    return mark == apply_mark::committed ? "committed" : "rolled_back";
}

std::string text_of(const held_directory& directory, const char* name)
{
    std::string text;
    opened_file file = directory.open_regular(name, O_RDONLY);
    if (file.outcome != open_outcome::opened)
        return text;
    if (!read_whole_descriptor(file.fd, text))
        text.clear();
    ::close(file.fd);
    return text;
}

void read_lines_of(const held_directory& directory, const char* name, std::vector<journal_record>& records)
{
    std::istringstream lines(text_of(directory, name));
    std::string line;
    while (std::getline(lines, line)) {
        if (std::optional<journal_record> record = parse_journal_line(line))
            records.push_back(std::move(*record));
    }
}

}  // namespace

std::string format_journal_line(const journal_record& record)
{
    json requests = json::array();
    for (const journaled_request& r : record.requests)
        requests.push_back({{"name", r.name}, {"value", r.value}});
    json bytes = json::array();
    for (const journaled_byte& b : record.bytes)
        bytes.push_back({{"port", b.index_port}, {"location", b.location}, {"before", b.before}, {"after", b.after}});
    json line = {
        {"time", record.time},
        {"boot_id", optional_text(record.boot_id)},
        {"uid", record.uid},
        {"sudo_user", optional_text(record.sudo_user)},
        {"command", record.command},
        {"requests", requests},
        {"bytes", bytes},
    };
    if (!record.apply_id.empty())
        line["apply"] = record.apply_id;
    if (record.mark != apply_mark::none)
        line["mark"] = mark_name(record.mark);
    if (!record.left.empty()) {
        json left = json::array();
        for (const left_byte& b : record.left)
            left.push_back({{"port", b.index_port}, {"location", b.location}, {"found", b.found}});
        line["left"] = left;
    }
    return line.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

std::optional<journal_record> parse_journal_line(const std::string& line)
{
    json parsed = json::parse(line, nullptr, false);
    if (parsed.is_discarded() || !parsed.is_object())
        return std::nullopt;
    try {
        journal_record record;
        record.time = parsed.at("time").get<std::string>();
        record.boot_id = text_or_null(parsed.at("boot_id"));
        record.uid = json_whole_number<unsigned>(parsed.at("uid"));
        record.sudo_user = text_or_null(parsed.at("sudo_user"));
        record.command = parsed.at("command").get<std::vector<std::string>>();
        for (const json& r : parsed.at("requests"))
            record.requests.push_back({r.at("name").get<std::string>(), r.at("value").get<std::string>()});
        for (const json& b : parsed.at("bytes")) {
            record.bytes.push_back({json_whole_number<std::uint16_t>(b.at("port")),
                                    json_whole_number<std::uint8_t>(b.at("location")),
                                    json_whole_number<std::uint8_t>(b.at("before")),
                                    json_whole_number<std::uint8_t>(b.at("after"))});
        }
        record.apply_id = parsed.value("apply", "");
        const std::string mark = parsed.value("mark", "");
        if (!mark.empty()) {
            if (mark != "committed" && mark != "rolled_back")
                return std::nullopt;
            record.mark = mark == "committed" ? apply_mark::committed : apply_mark::rolled_back;
        }
        if (record.mark != apply_mark::none && record.apply_id.empty())
            return std::nullopt;
        for (const json& b : parsed.value("left", json::array()))
            record.left.push_back({json_whole_number<std::uint16_t>(b.at("port")),
                                   json_whole_number<std::uint8_t>(b.at("location")),
                                   json_whole_number<std::uint8_t>(b.at("found"))});
        return record;
    } catch (const json::exception&) {
        return std::nullopt;
    } catch (const std::out_of_range&) {
        return std::nullopt;
    }
}

int append_journal(const held_directory& directory, const journal_record& record)
{
    if (directory.fd() < 0)
        return ENOENT;
    opened_file file = directory.open_regular("journal", O_RDWR | O_APPEND | O_CREAT, 0600);
    if (file.outcome == open_outcome::failed)
        return file.error;
    if (file.outcome != open_outcome::opened)
        return EPERM;   // a link or no regular file: never written through
    if (record.mark == apply_mark::none && static_cast<std::uint64_t>(file.st.st_size) >= JOURNAL_LIMIT) {
        ::close(file.fd);
        if (::renameat(directory.fd(), "journal", directory.fd(), "journal.old") != 0)
            return errno;
        file = directory.open_regular("journal", O_RDWR | O_APPEND | O_CREAT, 0600);
        if (file.outcome != open_outcome::opened)
            return file.outcome == open_outcome::failed ? file.error : EPERM;
    }
    // A last line cut short by a power loss stays a line of its own, which
    // the reader skips; the new record must not be joined to it.
    std::string line = format_journal_line(record);
    char last = '\n';
    if (file.st.st_size > 0 && ::pread(file.fd, &last, 1, file.st.st_size - 1) == 1 && last != '\n')
        line.insert(line.begin(), '\n');
    int error = write_whole_descriptor(file.fd, line) ? 0 : errno;
    if (error == 0 && ::fsync(file.fd) != 0)
        error = errno;
    if (::close(file.fd) != 0 && error == 0 && errno != EINTR)
        error = errno;
    return error;
}

std::vector<journal_record> read_journal(const held_directory& directory)
{
    std::vector<journal_record> records;
    if (directory.fd() < 0)
        return records;
    read_lines_of(directory, "journal.old", records);
    read_lines_of(directory, "journal", records);
    // Each mark tells its apply's first record what became of it.
    std::vector<journal_record> told;
    for (journal_record& record : records) {
        if (record.mark == apply_mark::none) {
            if (!record.apply_id.empty())
                record.state = apply_state::open;
            told.push_back(std::move(record));
            continue;
        }
        for (journal_record& earlier : told) {
            if (earlier.apply_id == record.apply_id && earlier.mark == apply_mark::none)
                earlier.state = record.mark == apply_mark::committed ? apply_state::committed : apply_state::rolled_back;
        }
        // A roll-back wrote bytes of its own, which later readers must see.
        if (record.mark == apply_mark::rolled_back)
            told.push_back(std::move(record));
    }
    return told;
}

// The journal's last whole line, read from its end: every writing run asks
// for it, and the journal may be a mebibyte long.
std::string last_whole_line(const held_directory& directory)
{
    opened_file file = directory.open_regular("journal", O_RDONLY);
    if (file.outcome != open_outcome::opened)
        return "";
    std::string tail;
    off_t from = file.st.st_size;
    constexpr off_t CHUNK = 64 * 1024;
    // Until the tail holds a newline that ends the last whole line and one
    // before it, or the whole file.
    while (from > 0) {
        const off_t size = std::min(from, CHUNK);
        from -= size;
        std::string chunk(static_cast<std::size_t>(size), '\0');
        if (::pread(file.fd, chunk.data(), chunk.size(), from) != size) {
            tail.clear();
            break;
        }
        tail.insert(0, chunk);
        const std::size_t end = tail.rfind('\n');
        if (end != std::string::npos && end > 0 && tail.rfind('\n', end - 1) != std::string::npos)
            break;
    }
    ::close(file.fd);
    const std::size_t end = tail.rfind('\n');
    if (end == std::string::npos)
        return "";
    const std::size_t before = end == 0 ? std::string::npos : tail.rfind('\n', end - 1);
    const std::size_t start = before == std::string::npos ? 0 : before + 1;
    return tail.substr(start, end - start);
}

std::optional<journal_record> open_apply(const held_directory& directory)
{
    if (directory.fd() < 0)
        return std::nullopt;
    std::optional<journal_record> last = parse_journal_line(last_whole_line(directory));
    if (!last || last->apply_id.empty() || last->mark != apply_mark::none)
        return std::nullopt;
    last->state = apply_state::open;
    return last;
}
