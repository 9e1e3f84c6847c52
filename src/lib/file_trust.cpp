// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/file_trust.hpp"

#include <unistd.h>

#include "lib/tool_error.hpp"

namespace {

bool trusted_owner(uid_t owner)
{
    return owner == 0 || owner == ::getuid();
}

std::string owner_reason(const char* what, uid_t owner)
{
    return format_text("%sowned by uid %u, neither root nor the invoking user", what, static_cast<unsigned>(owner));
}

}  // namespace

std::optional<std::string> distrust_reason(const struct stat& st)
{
    if (!trusted_owner(st.st_uid))
        return owner_reason("", st.st_uid);
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return std::string("group or others may write it");
    return std::nullopt;
}

std::optional<std::string> distrust_link_reason(const struct stat& st)
{
    if (!S_ISLNK(st.st_mode) || trusted_owner(st.st_uid))
        return std::nullopt;
    return owner_reason("a symbolic link ", st.st_uid);
}
