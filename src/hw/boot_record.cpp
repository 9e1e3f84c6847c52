// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/boot_record.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>
#include <stdio.h>
#include <unistd.h>

#include "hw/cmos_access.hpp"
#include "hw/platform_record.hpp"
#include "lib/json_number.hpp"
#include "lib/whole_file.hpp"

namespace {

using json = nlohmann::ordered_json;

const char* const RECORD_FILE = "boot-record";
const char* const RECORD_STAGING = "boot-record.new";

// The settings file's bytes need not be text: they are kept as base64.
const char BASE64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string to_base64(const std::string& bytes)
{
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t here = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t chunk = 0;
        for (std::size_t k = 0; k < 3; ++k)
            chunk = (chunk << 8) | (k < here ? static_cast<std::uint8_t>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k)
            text += k <= here ? BASE64[(chunk >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return text;
}

std::optional<std::string> from_base64(const std::string& text)
{
    std::string bytes;
    std::uint32_t chunk = 0;
    int bits = 0;
    for (char c : text) {
        if (c == '=')
            break;
        const char* at = std::strchr(BASE64, c);
        if (c == '\0' || at == nullptr)
            return std::nullopt;
        chunk = (chunk << 6) | static_cast<std::uint32_t>(at - BASE64);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((chunk >> bits) & 0xFF);
        }
    }
    return bytes;
}

}  // namespace

std::vector<bank_checksum> bank_checksums(machine& m, const d4_token_table& token_table,
                                          checksum_update_method method)
{
    std::vector<bank_checksum> banks;
    if (method != UPDATE_METHOD_STANDARD)
        return banks;
    std::set<std::uint16_t> seen;
    for (const token_entry& e : token_table) {
        if (!seen.insert(e.index_port).second)
            continue;
        bank_checksum bank;
        bank.index_port = e.index_port;
        bank.stored = read_cmos(m, e.index_port, e.checksum_location) * 256 +
                      read_cmos(m, e.index_port, e.checksum_location + 1);
        if (e.checksum_start <= e.checksum_end)
            bank.computed = calc_checksum(m, 0, e.index_port, e.checksum_start, e.checksum_end) & 0xFFFF;
        banks.push_back(bank);
    }
    return banks;
}

std::string format_boot_record(const boot_record& record)
{
    json banks = json::array();
    for (const bank_checksum& b : record.banks)
        banks.push_back({{"port", b.index_port}, {"stored", b.stored},
                         {"computed", b.computed ? json(*b.computed) : json(nullptr)}, {"valid", b.valid()}});
    json cmos = json::array();
    for (const auto& [place, value] : record.cmos)
        cmos.push_back({place.first, place.second, value});
    json document = {
        {"time", record.time},
        {"boot_id", record.boot_id ? json(*record.boot_id) : json(nullptr)},
        {"at_boot", record.at_boot},
        {"platform", record.platform},
        {"update_method", update_method_keyword(record.update_method)},
        {"settings_file", record.settings_file},
        {"settings_bytes", to_base64(record.settings_bytes)},
        {"banks", banks},
        {"cmos", cmos},
    };
    return document.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

std::optional<boot_record> parse_boot_record(const std::string& text)
{
    json parsed = json::parse(text, nullptr, false);
    if (parsed.is_discarded() || !parsed.is_object())
        return std::nullopt;
    try {
        boot_record record;
        record.time = parsed.at("time").get<std::string>();
        if (!parsed.at("boot_id").is_null())
            record.boot_id = parsed.at("boot_id").get<std::string>();
        record.at_boot = parsed.at("at_boot").get<bool>();
        record.platform = parsed.at("platform").get<std::string>();
        const std::string method = parsed.at("update_method").get<std::string>();
        record.update_method = method == "arc_direct" ? UPDATE_METHOD_DIRECT : UPDATE_METHOD_STANDARD;
        record.settings_file = parsed.at("settings_file").get<std::string>();
        std::optional<std::string> bytes = from_base64(parsed.at("settings_bytes").get<std::string>());
        if (!bytes)
            return std::nullopt;
        record.settings_bytes = std::move(*bytes);
        for (const json& b : parsed.at("banks")) {
            bank_checksum bank;
            bank.index_port = json_whole_number<std::uint16_t>(b.at("port"));
            bank.stored = json_integer<int>(b.at("stored"));
            if (!b.at("computed").is_null())
                bank.computed = json_integer<int>(b.at("computed"));
            record.banks.push_back(bank);
        }
        for (const json& c : parsed.at("cmos"))
            record.cmos[{json_whole_number<std::uint16_t>(c.at(0)), json_whole_number<std::uint8_t>(c.at(1))}] =
                json_whole_number<std::uint8_t>(c.at(2));
        return record;
    } catch (const json::exception&) {
        return std::nullopt;
    } catch (const std::out_of_range&) {
        return std::nullopt;
    }
}

int write_boot_record(const held_directory& directory, const boot_record& record)
{
    if (directory.fd() < 0)
        return ENOENT;
    ::unlinkat(directory.fd(), RECORD_STAGING, 0);
    opened_file file = directory.open_regular(RECORD_STAGING, O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (file.outcome != open_outcome::opened)
        return file.outcome == open_outcome::failed ? file.error : EPERM;
    int error = write_whole_descriptor(file.fd, format_boot_record(record)) ? 0 : errno;
    if (error == 0 && ::fsync(file.fd) != 0)
        error = errno;
    if (::close(file.fd) != 0 && error == 0 && errno != EINTR)
        error = errno;
    if (error == 0 && ::renameat(directory.fd(), RECORD_STAGING, directory.fd(), RECORD_FILE) != 0)
        error = errno;
    if (error != 0)
        ::unlinkat(directory.fd(), RECORD_STAGING, 0);
    return error;
}

std::optional<boot_record> read_boot_record(const held_directory& directory)
{
    if (directory.fd() < 0)
        return std::nullopt;
    opened_file file = directory.open_regular(RECORD_FILE, O_RDONLY);
    if (file.outcome != open_outcome::opened)
        return std::nullopt;
    std::string text;
    bool read = read_whole_descriptor(file.fd, text);
    ::close(file.fd);
    return read ? parse_boot_record(text) : std::nullopt;
}

std::uint8_t recorded_cmos::read_cmos_byte(std::uint16_t index_port, std::uint8_t location)
{
    auto kept = record_.cmos.find({index_port, location});
    return kept != record_.cmos.end() ? kept->second : 0xFF;
}

void recorded_cmos::write_cmos_byte(std::uint16_t, std::uint8_t, std::uint8_t)
{
    throw std::logic_error("a boot record is never written");
}

std::unique_ptr<cmos_write_lock> recorded_cmos::lock_cmos_writes()
{
    throw std::logic_error("a boot record is never written");
}
