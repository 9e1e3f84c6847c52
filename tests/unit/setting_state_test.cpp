// SPDX-License-Identifier: GPL-2.0-or-later
// Reading, testing and changing one named setting through the D4 tokens of
// its values, on an in-memory machine.
#include <gtest/gtest.h>
#include <sstream>

#include "settings/setting_state.hpp"
#include "settings/settings_loader.hpp"
#include "support/capture.hpp"
#include "support/engine_run.hpp"

namespace {

token_entry token(std::uint16_t id, std::uint8_t location, std::uint8_t and_mask, std::uint8_t or_mask)
{
    return {0x70, 0x71, 0, 0x40, 0x4F, 0x50, id, location, and_mask, or_mask};
}

class SettingState : public testing::Test {
protected:
    void SetUp() override
    {
        m = &run.machine;
        m->cmos[0x70] = std::vector<std::uint8_t>(256, 0);
        run.token_table = d4_token_table({token(0x10, 0x41, 0xFE, 0x01), token(0x11, 0x41, 0xFE, 0x00),
                         token(0x20, 0x42, 0xFC, 0x00), token(0x21, 0x42, 0xFC, 0x01),
                         token(0x22, 0x42, 0xFC, 0x02), token(0x30, 0x43, 0xFE, 0x01),
                                          token(0x31, 0x43, 0xFE, 0x01)});
        std::istringstream file("Virtualization, Enabled, 10:Enabled, 11:Disabled\n"
                                "Power, Balanced, 20:Performance, 21:Balanced, 22:Saving\n"
                                "Both, A, 30:A, 31:B\n"
                                "Partly, On, 10:On, 99:Off\n"
                                "Twice, x, 10:x, 11:y\n"
                                "Twice, x, 20:z, 21:w, 11:y2\n"
                                "Missing, a, 98:a, 99:b\n");
        load_settings_from(run.settings, file);
    }

    void cmos(std::uint8_t location, std::uint8_t value) { m->cmos[0x70][location] = value; }
    engine_run run;
    memory_machine* m = nullptr;
};

TEST_F(SettingState, ReadsTheOneValueWhoseTokenIsSet)
{
    cmos(0x41, 0x01);
    cmos(0x42, 0x02);
    captured_run r = capture_run([&] {
        EXPECT_EQ(read_setting_value(run.context(), "Virtualization", 0), "Enabled");
        EXPECT_EQ(read_setting_value(run.context(), "Power", 0), "Saving");
        EXPECT_EQ(setting_is_at(run.context(), "Power", "Saving"), 1);
        EXPECT_EQ(setting_is_at(run.context(), "Power", "saving"), 0);
        EXPECT_EQ(setting_present(run.context(), "Power"), 1);
    });
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(r.exit_status);
}

TEST_F(SettingState, TwoSetValuesAreJoinedLenientlyAndRefusedStrictly)
{
    cmos(0x43, 0x01);   // both tokens of "Both" test the same bit
    EXPECT_EQ(read_setting_value(run.context(), "Both", 1), "AB");
    EXPECT_EQ(setting_present(run.context(), "Both"), 1);
    captured_run r = capture_run([&] { read_setting_value(run.context(), "Both", 0); });
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.out, "error:  setting found, but BIOS did not have precisely 1 setting active.\nfound_set_tokens == 2\n\n");
}

TEST_F(SettingState, NoSetValueMeansNotPresentAndAStrictReadFails)
{
    cmos(0x42, 0x03);   // no value of Power has the pattern 11
    EXPECT_EQ(setting_present(run.context(), "Power"), 0);
    EXPECT_EQ(setting_present(run.context(), nullptr), 0);
    captured_run r = capture_run([&] { setting_is_at(run.context(), "Power", "Balanced"); });
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.out, "error:  setting found, but BIOS did not have precisely 1 setting active.\nfound_set_tokens == 0\n\n");

    r = capture_run([&] { read_setting_value(run.context(), "Nothing", 0); });
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.out, "setting not found on system:  Nothing\n"
                       "Please check that SETTINGS env variable points to the proper bios_settings file.\n\n");
}

TEST_F(SettingState, AMissingTokenIsReportedOnEveryReadInBothModes)
{
    cmos(0x41, 0x01);
    captured_run r = capture_run([&] {
        EXPECT_EQ(setting_present(run.context(), "Partly"), 1);
        EXPECT_EQ(read_setting_value(run.context(), "Partly", 0), "On");
    });
    EXPECT_FALSE(r.exit_status);
    EXPECT_EQ(r.out, "Token 0099 (for setting Partly) not found on system.\n"
                       "Token 0099 (for setting Partly) not found on system.\n");
}

TEST_F(SettingState, SettingsOfTheSameNameAreReadTogether)
{
    cmos(0x41, 0x00);   // 11 set in both nodes
    cmos(0x42, 0x01);   // 21 set in the second node
    EXPECT_EQ(read_setting_value(run.context(), "Twice", 1), "yw" "y2");
}

TEST_F(SettingState, SetWritesOnlyTheTokenOfTheFirstNodeThatHasTheValue)
{
    cmos(0x42, 0xF0);
    captured_run r = capture_run([&] { set_setting(run.context(), "Twice", "w"); });
    EXPECT_FALSE(r.exit_status);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(m->cmos[0x70][0x42], 0xF1);
    // Only the token byte and the two checksum bytes are written.
    ASSERT_EQ(m->writes.size(), 3u);
    EXPECT_EQ(m->writes[0], (memory_machine::cmos_write{0x70, 0x42, 0xF1}));
}

TEST_F(SettingState, SetFailuresSayWhatIsWrong)
{
    struct failure {
        const char* name;
        const char* value;
        const char* message;
    };
    const failure cases[] = {
        {"Power", "balanced",
         "ERROR:  setting Power does not have balanced as an option.\n\n"
         "Halting.  (The job may not have finished.)\n"},
        {"Nothing", "x", "ERROR:  setting not found on system:  Nothing\nHalting.  (The job may not have finished.)\n"},
        {"Missing", "b", "Token 0099 (for setting Missing) not found on system.\nHalting.\n\n"},
    };
    for (const failure& c : cases) {
        captured_run r = capture_run([&] { set_setting(run.context(), c.name, c.value); });
        EXPECT_EQ(r.exit_status, 1) << c.name;
        EXPECT_EQ(r.out, c.message) << c.name;
    }
    EXPECT_TRUE(m->writes.empty());
}

TEST(StripComment, KeepsTheTextBeforeTheFirstHash)
{
    EXPECT_EQ(strip_comment("Power : Balanced"), "Power : Balanced");
    EXPECT_EQ(strip_comment("# all comment"), "");
    EXPECT_EQ(strip_comment("Power : Balanced   # was Saving # twice"), "Power : Balanced   ");
    EXPECT_EQ(strip_comment(""), "");
}

}  // namespace
