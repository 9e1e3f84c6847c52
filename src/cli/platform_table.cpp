// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/platform_table.hpp"

#include "hw/update_method.hpp"
#include "lib/str.hpp"

namespace {

// Supporting a new model is one row here.
constexpr platform_descriptor platform_table[] = {
    // model   product-name mark  default update method   boot order
    {"K2A07", "K2A07", UPDATE_METHOD_DIRECT, boot_order_in_cmos(k2a07_boot_devices)},
    {"K2B07", "K2B07", UPDATE_METHOD_DIRECT, boot_order_in_cmos(k2a07_boot_devices)},
    {"K2C07", "K2C07", UPDATE_METHOD_DIRECT, boot_order_in_cmos(k2c07_boot_devices)},
    {"K2C08", "K2C08", UPDATE_METHOD_DIRECT, boot_order_in_cmos(k2c08_boot_devices)},
    {"K2C09", "K2C09", UPDATE_METHOD_DIRECT, boot_order_in_cmos(k2c09_boot_devices)},
    {"K2D07", "2D07", UPDATE_METHOD_DIRECT, BOOT_ORDER_UNKNOWN},
    {"K2E07", "K2E07", UPDATE_METHOD_STANDARD, boot_order_in_cmos(k2e07_boot_devices)},
    {"K2F07", "K2F07", UPDATE_METHOD_STANDARD, BOOT_ORDER_IN_SETTINGS},
    {"K2G07", "K2G07", UPDATE_METHOD_STANDARD, BOOT_ORDER_IN_SETTINGS},
};

bool contains(const std::string& text, const char* word)
{
    return Str_find(text.c_str(), 1, 0, word) != 0;
}

}  // namespace

std::span<const platform_descriptor> known_platforms()
{
    return platform_table;
}

namespace {

template <typename Matches>
const platform_descriptor* first_platform(Matches matches)
{
    for (const platform_descriptor& p : platform_table) {
        if (matches(p))
            return &p;
    }
    return nullptr;
}

}  // namespace

const platform_descriptor* known_platform_in(const std::string& name)
{
    return first_platform([&](const platform_descriptor& p) { return contains(name, p.model); });
}

const platform_descriptor* platform_named(const std::string& name)
{
    return first_platform([&](const platform_descriptor& p) { return name == p.model; });
}

const platform_descriptor* platform_by_product_name(const std::string& product_name)
{
    return first_platform([&](const platform_descriptor& p) { return contains(product_name, p.product_name_mark); });
}
