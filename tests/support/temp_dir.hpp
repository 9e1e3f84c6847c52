// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// A fresh directory under $TMPDIR, removed with everything in it at the end.
class temp_dir {
public:
    temp_dir();
    ~temp_dir();
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Writes a file inside the directory and returns its path.
    std::string write(const std::string& name, const std::string& contents, bool executable = false) const;

private:
    std::string path_;
};

std::string read_file(const std::string& path);
