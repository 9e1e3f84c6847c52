// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "lib/signal_hold.hpp"

// A new directory that is built beside its final place and renamed into it
// whole, so that a failure on the way leaves nothing half-written: until
// commit() succeeds, the temporary directory is removed when this object goes,
// also when an error ends the run. Termination signals are held back
// meanwhile, so that Ctrl-C cannot leave the temporary directory behind. The
// directory is mode 0700 and every file in it 0600, whatever the umask.
// Every failure is a tool_error (status 1) whose message names the final path.
class staged_directory {
public:
    // The final place must not exist, or be an empty directory; it must not be
    // "", "." or a mount point, and no temporary directory of a capture that
    // did not finish may lie beside it.
    static void require_new_or_empty(const std::string& target);

    explicit staged_directory(const std::string& target);
    ~staged_directory();
    staged_directory(const staged_directory&) = delete;
    staged_directory& operator=(const staged_directory&) = delete;

    // A file of the directory written piece by piece at any offset; what lies
    // between the pieces stays a hole.
    class file {
    public:
        file(staged_directory& directory, const std::string& name);
        ~file();
        file(const file&) = delete;
        file& operator=(const file&) = delete;

        void write_at(std::uint64_t offset, const void* bytes, std::size_t size);
        // Makes the file at least size bytes long, flushes it to the disk and closes it.
        void finish(std::uint64_t minimum_size = 0);

    private:
        [[noreturn]] void fail(int error);

        std::string shown_path_;
        int fd_;
    };

    // Writes a whole file of the directory.
    void write_file(const std::string& name, const std::string& contents);

    // Renames the directory into its final place.
    void commit();

    // The final place, as given.
    const std::string& target() const { return target_; }

private:
    std::optional<signal_hold> signals_;
    std::string target_;
    std::string staging_;
    bool committed_ = false;
    int staging_lock_ = -1;
};
