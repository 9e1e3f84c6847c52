// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/whole_file.hpp"

#include <cerrno>
#include <unistd.h>

bool read_whole_descriptor(int fd, std::string& contents)
{
    contents.clear();
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0;
        contents.append(buffer, static_cast<std::size_t>(got));
    }
}

bool write_whole_descriptor(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            if (put == 0)
                errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}
