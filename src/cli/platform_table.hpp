// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <span>
#include <string>

#include "cli/boot_order_tables.hpp"
#include "hw/update_method.hpp"

// Where a model keeps its boot order.
enum class boot_order_home {
    unknown,        // the tool knows no layout: bootorder serves no sub-word
    cmos_slots,     // eight CMOS bit fields, laid out by a boot_device_table
    bios_settings,  // named BIOS settings of the setting command: bootorder refuses
};

struct boot_order_place {
    boot_order_home home;
    const boot_device_table* slots;  // the layout when home is cmos_slots
};

constexpr boot_order_place boot_order_in_cmos(const boot_device_table& slots)
{
    return {boot_order_home::cmos_slots, &slots};
}
constexpr boot_order_place BOOT_ORDER_IN_SETTINGS{boot_order_home::bios_settings, nullptr};
constexpr boot_order_place BOOT_ORDER_UNKNOWN{boot_order_home::unknown, nullptr};

// Everything the tool knows of one server model.
struct platform_descriptor {
    const char* model;
    // What identifies the model in a product name. K2D07 systems report the
    // model without its leading letter.
    const char* product_name_mark;
    checksum_update_method default_update_method;
    boot_order_place boot_order;
};

// Every known model. The order decides which model wins when a name contains
// several, and is the order of every listing.
std::span<const platform_descriptor> known_platforms();

// The first model whose name occurs in name (case-sensitive, so pass upper-case
// text); nullptr when there is none.
const platform_descriptor* known_platform_in(const std::string& name);

// The model whose name is exactly name; nullptr when there is none.
const platform_descriptor* platform_named(const std::string& name);

// The first model whose product-name mark occurs in product_name; nullptr when
// there is none.
const platform_descriptor* platform_by_product_name(const std::string& product_name);
