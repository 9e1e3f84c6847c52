// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/file_trust.hpp"

#include <cstdlib>
#include <unistd.h>

#include "lib/tool_error.hpp"

namespace {

// The user on whose behalf the tool runs. sudo says who called it; only root
// can have been started by sudo, so a user cannot claim another's files by
// setting SUDO_UID.
uid_t invoking_user()
{
    uid_t real = ::getuid();
    const char* sudo_uid = std::getenv("SUDO_UID");
    if (real != 0 || sudo_uid == nullptr || *sudo_uid == '\0')
        return real;
    char* end = nullptr;
    unsigned long uid = std::strtoul(sudo_uid, &end, 10);
    if (*end != '\0' || uid != static_cast<uid_t>(uid))
        return real;
    return static_cast<uid_t>(uid);
}

}  // namespace

std::optional<std::string> distrust_reason(const struct stat& st)
{
    if (st.st_uid != 0 && st.st_uid != invoking_user())
        return format_text("owned by uid %u, neither root nor the invoking user", static_cast<unsigned>(st.st_uid));
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return std::string("group or others may write it");
    return std::nullopt;
}
