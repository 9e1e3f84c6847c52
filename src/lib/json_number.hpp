// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <limits>
#include <stdexcept>

// A whole number of a record the tool reads back (the journal, the boot
// record) as the type it must fit. A damaged or edited file may hold any
// number there; one that is negative, fractional or too large is no number
// of the record (std::out_of_range), where a plain conversion would be
// undefined.
template <typename T, typename Json>
T json_whole_number(const Json& value)
{
    if (!value.is_number_unsigned())
        throw std::out_of_range("not a whole number");
    const auto number = value.template get<std::uint64_t>();
    if (number > static_cast<std::uint64_t>(std::numeric_limits<T>::max()))
        throw std::out_of_range("a number too large for its place");
    return static_cast<T>(number);
}

// The same for a number that may be negative.
template <typename T, typename Json>
T json_integer(const Json& value)
{
    if (!value.is_number_integer())
        throw std::out_of_range("not an integer");
    const auto number = value.template get<std::int64_t>();
    if (number < static_cast<std::int64_t>(std::numeric_limits<T>::min()) ||
        number > static_cast<std::int64_t>(std::numeric_limits<T>::max()))
        throw std::out_of_range("a number too large for its place");
    return static_cast<T>(number);
}
