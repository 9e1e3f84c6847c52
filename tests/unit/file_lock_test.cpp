// SPDX-License-Identifier: GPL-2.0-or-later
// The flock(2) lock file: created when missing, shared with a descriptor
// that already holds it, and, where others may write the directory, refused
// when it is a link or someone else's file.
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "hw/file_lock.hpp"
#include "support/capture.hpp"
#include "support/temp_dir.hpp"

namespace {

constexpr lock_file_rules private_rules{0600, true};
constexpr lock_file_rules image_rules{0644, false};

bool locked_by_someone(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return locked;
}

TEST(FileLock, CreatesTheFileAndHoldsTheLockUntilReleased)
{
    temp_dir dir;
    std::string path = dir.file("cmoscfg.lock");
    {
        auto lock = lock_file_exclusively({AT_FDCWD, path, path}, private_rules);
        EXPECT_TRUE(locked_by_someone(path));
        struct stat st;
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
    }
    EXPECT_FALSE(locked_by_someone(path));
}

TEST(FileLock, ADescriptorThatHoldsTheLockAlreadyIsSharedAndKeepsIt)
{
    temp_dir dir;
    std::string path = dir.write("cmos", "");
    int held = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    {
        auto lock = lock_file_exclusively({AT_FDCWD, path, path}, image_rules);  // would wait forever otherwise
        EXPECT_NE(lock, nullptr);
    }
    EXPECT_TRUE(locked_by_someone(path));
    ::close(held);
    EXPECT_FALSE(locked_by_someone(path));
}

TEST(FileLock, LockFilesAreNotLinksAndPrivateOnesAreOwnRegularFiles)
{
    temp_dir dir;
    std::string target = dir.write("elsewhere", "");
    std::string link = dir.file("cmoscfg.lock");
    std::filesystem::create_symlink(target, link);
    captured_run r = capture_run([&] { lock_file_exclusively({AT_FDCWD, link, link}, private_rules); });
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.out, "Error: unable to open the lock file " + link + ": Too many levels of symbolic links\n");

    // Nor an image's cmos file: a link there would have root create its target.
    std::filesystem::remove(target);
    r = capture_run([&] { lock_file_exclusively({AT_FDCWD, link, link}, image_rules); });
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.out, "Error: unable to open the lock file " + link + ": Too many levels of symbolic links\n");
    EXPECT_FALSE(std::filesystem::exists(target));

    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give a file to another user";
    std::string planted = dir.write("planted.lock", "");
    ASSERT_EQ(::chown(planted.c_str(), 65534, 65534), 0);
    r = capture_run([&] { lock_file_exclusively({AT_FDCWD, planted, planted}, private_rules); });
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.out, "Error: the lock file " + planted + " is not a regular file owned by this user; remove it.\n");
}

}  // namespace
