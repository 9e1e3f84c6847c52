// SPDX-License-Identifier: GPL-2.0-or-later
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "cli/platform_table.hpp"
#include "hw/update_method.hpp"
#include "image/machine_image.hpp"
#include "lib/text_utils.hpp"

namespace {

struct pending_structure {
    std::vector<std::uint8_t> formatted;
    std::vector<std::string> strings;
    bool is_d4 = false;
};

class description_parser {
public:
    machine_image parse(const std::string& text)
    {
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            ++line_number_;
            parse_line(line);
        }
        close_structure();
        return std::move(image_);
    }

private:
    [[noreturn]] void fail(const std::string& message) const
    {
        throw std::runtime_error("line " + std::to_string(line_number_) + ": " + message);
    }

    // Every number of a description is hexadecimal, with or without 0x.
    std::uint64_t number(const std::string& word, std::uint64_t maximum) const
    {
        char* end = nullptr;
        errno = 0;
        unsigned long long value = std::strtoull(word.c_str(), &end, 16);
        if (word.empty() || *end != '\0' || word[0] == '-' || errno != 0 || value > maximum)
            fail("not a hexadecimal number up to " + std::to_string(maximum) + ": '" + word + "'");
        return value;
    }

    std::vector<std::uint8_t> bytes(const std::vector<std::string>& words, std::size_t from) const
    {
        std::vector<std::uint8_t> out;
        for (std::size_t i = from; i < words.size(); ++i)
            out.push_back(static_cast<std::uint8_t>(number(words[i], 0xFF)));
        return out;
    }

    void expect(const std::vector<std::string>& words, std::size_t least, std::size_t most) const
    {
        if (words.size() < least || words.size() > most)
            fail("wrong number of arguments for '" + words[0] + "'");
    }

    smbios_table_image& current_table()
    {
        if (image_.tables.empty())
            fail("'" + current_keyword_ + "' before any 'table'");
        return image_.tables.back();
    }

    std::vector<std::uint8_t>& bank(std::uint16_t port)
    {
        auto it = image_.cmos.find(port);
        if (it == image_.cmos.end())
            it = image_.cmos.emplace(port, std::vector<std::uint8_t>(256, 0)).first;
        return it->second;
    }

    void close_structure()
    {
        if (!open_)
            return;
        pending_structure s = std::move(*open_);
        open_.reset();
        if (s.is_d4) {
            s.formatted.insert(s.formatted.end(), {0xFF, 0xFF, 0x00, 0x00, 0x00});
        }
        if (s.formatted.size() > 0xFF)
            fail("structure ends with a formatted area of more than 255 bytes; split it");
        s.formatted[1] = static_cast<std::uint8_t>(s.formatted.size());
        smbios_table_image& table = current_table();
        table.bytes.insert(table.bytes.end(), s.formatted.begin(), s.formatted.end());
        for (const std::string& text : s.strings) {
            table.bytes.insert(table.bytes.end(), text.begin(), text.end());
            table.bytes.push_back(0);
        }
        if (s.strings.empty())
            table.bytes.push_back(0);
        table.bytes.push_back(0);
        table.structure_count++;
    }

    void open_structure(std::uint8_t type, std::uint16_t handle, bool is_d4)
    {
        close_structure();
        current_table();
        open_ = pending_structure{{type, 0, static_cast<std::uint8_t>(handle), static_cast<std::uint8_t>(handle >> 8)},
                                  {},
                                  is_d4};
    }

    void add_le(std::vector<std::uint8_t>& out, std::uint64_t value, int width)
    {
        for (int i = 0; i < width; ++i)
            out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }

    // As CMOSCFG_PLATFORM and CMOSCFG_UPDATE_METHOD take them: a known model
    // has a default method, any other name needs one.
    void set_platform(std::string name, std::string method)
    {
        if (image_.platform)
            fail("a second 'platform'");
        uppercase_string(name);
        lowercase_string(method);
        // The name also names the settings file the tool looks for.
        if (name.find('/') != std::string::npos)
            fail("a platform name holds no '/': '" + name + "'");
        platform_record record{name, checksum_update_method::unset};
        if (method == "arc_direct")
            record.update_method = UPDATE_METHOD_DIRECT;
        else if (method == "quor_standard")
            record.update_method = UPDATE_METHOD_STANDARD;
        else if (!method.empty())
            fail("unknown update method '" + method + "' (arc_direct or quor_standard)");
        else if (const platform_descriptor* known = known_platform_in(name))
            record.update_method = known->default_update_method;
        else
            fail("'" + name + "' is no known model: name its update method (arc_direct or quor_standard)");
        image_.platform = record;
    }

    void parse_line(const std::string& line)
    {
        std::istringstream in(line);
        std::string keyword;
        if (!(in >> keyword) || keyword[0] == '#')
            return;
        current_keyword_ = keyword;
        if (keyword == "string") {
            std::string text;
            std::getline(in >> std::ws, text);
            if (!open_)
                fail("'string' outside a structure");
            if (text.empty())
                fail("empty string");
            open_->strings.push_back(text);
            return;
        }
        std::vector<std::string> words{keyword};
        for (std::string word; in >> word && word[0] != '#';)
            words.push_back(word);

        if (keyword == "table") {
            expect(words, 2, 2);
            close_structure();
            image_.tables.push_back({number(words[1], 0xFFFFFFFF), {}, 0});
        } else if (keyword == "anchor" || keyword == "anchor3") {
            expect(words, 2, 4);
            close_structure();
            entry_point_image entry;
            entry.kind = keyword == "anchor" ? entry_point_kind::smbios2 : entry_point_kind::smbios3;
            entry.address = number(words[1], 0xFFFFFFFF);
            current_table();
            entry.table = image_.tables.size() - 1;
            if (words.size() == 4 && words[2] == "length")
                entry.length = static_cast<std::uint32_t>(number(words[3], 0xFFFFFFFF));
            else if (words.size() != 2)
                fail("expected 'length N' after the address");
            image_.entry_points.push_back(entry);
        } else if (keyword == "structure") {
            if (words.size() < 3)
                fail("'structure' needs a type and a handle");
            open_structure(static_cast<std::uint8_t>(number(words[1], 0xFF)),
                           static_cast<std::uint16_t>(number(words[2], 0xFFFF)), false);
            auto data = bytes(words, 3);
            open_->formatted.insert(open_->formatted.end(), data.begin(), data.end());
        } else if (keyword == "d4") {
            expect(words, 8, 8);
            open_structure(0xD4, static_cast<std::uint16_t>(number(words[1], 0xFFFF)), true);
            add_le(open_->formatted, number(words[2], 0xFFFF), 2);
            add_le(open_->formatted, number(words[3], 0xFFFF), 2);
            for (int i = 4; i < 8; ++i)
                open_->formatted.push_back(static_cast<std::uint8_t>(number(words[i], 0xFF)));
        } else if (keyword == "token") {
            expect(words, 5, 5);
            if (!open_ || !open_->is_d4)
                fail("'token' outside a d4 structure");
            add_le(open_->formatted, number(words[1], 0xFFFF), 2);
            for (int i = 2; i < 5; ++i)
                open_->formatted.push_back(static_cast<std::uint8_t>(number(words[i], 0xFF)));
        } else if (keyword == "end-of-table") {
            expect(words, 1, 2);
            open_structure(127, words.size() == 2 ? static_cast<std::uint16_t>(number(words[1], 0xFFFF)) : 0xFEFF,
                           false);
            close_structure();
        } else if (keyword == "raw") {
            close_structure();
            auto data = bytes(words, 1);
            auto& table = current_table().bytes;
            table.insert(table.end(), data.begin(), data.end());
        } else if (keyword == "bank") {
            expect(words, 2, 3);
            auto& b = bank(static_cast<std::uint16_t>(number(words[1], 0xFFFF)));
            if (words.size() == 3)
                b.assign(256, static_cast<std::uint8_t>(number(words[2], 0xFF)));
        } else if (keyword == "cmos") {
            if (words.size() < 4)
                fail("'cmos' needs a port, a location and bytes");
            auto& b = bank(static_cast<std::uint16_t>(number(words[1], 0xFFFF)));
            std::uint64_t location = number(words[2], 0xFF);
            auto data = bytes(words, 3);
            if (location + data.size() > 256)
                fail("bytes run past location ff");
            std::copy(data.begin(), data.end(), b.begin() + static_cast<std::ptrdiff_t>(location));
        } else if (keyword == "checksum") {
            expect(words, 5, 5);
            auto port = static_cast<std::uint16_t>(number(words[1], 0xFFFF));
            bank(port);
            image_.checksums.push_back({port, static_cast<std::uint8_t>(number(words[2], 0xFF)),
                                        static_cast<std::uint8_t>(number(words[3], 0xFF)),
                                        static_cast<std::uint8_t>(number(words[4], 0xFF))});
        } else if (keyword == "platform") {
            expect(words, 2, 3);
            set_platform(words[1], words.size() == 3 ? words[2] : std::string());
        } else if (keyword == "memory") {
            if (words.size() < 3)
                fail("'memory' needs an address and bytes");
            image_.memory_bytes[number(words[1], 0xFFFFFFFF)] = bytes(words, 2);
        } else {
            fail("unknown statement '" + keyword + "'");
        }
    }

    machine_image image_;
    std::optional<pending_structure> open_;
    std::string current_keyword_;
    int line_number_ = 0;
};

}  // namespace

machine_image parse_image_description(const std::string& text)
{
    return description_parser().parse(text);
}
