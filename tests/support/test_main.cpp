// SPDX-License-Identifier: GPL-2.0-or-later
// The main of the GoogleTest programs. No test depends on the environment of
// whoever runs it: the variables that the tool reads are unset first (a user
// trying the README's examples may have them exported), and a test that
// needs one sets it for the run it makes.
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    for (const char* name : {"CMOSCFG_IMAGE", "CMOSCFG_PLATFORM", "CMOSCFG_UPDATE_METHOD", "CMOSCFG_SETTINGS",
                             "CMOSCFG_SETTINGS_PATH", "DEBUG"})
        ::unsetenv(name);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
