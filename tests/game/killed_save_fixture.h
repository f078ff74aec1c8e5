#pragma once
// Profile saves killed from outside at chosen steps: a saving process stops at one step of
// one file's replacement, tells the test where, and is killed there. Over the rounds every
// step of both files a save writes (the list, then the profile) is met for every profile,
// with no dependence on timing. After each kill every file loads whole and holds what it
// held before or what the save wrote, whichever the step implies.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "files/data_provider_save.h"
#include "game/profile_list.h"
#include "game_fixture.h"

class KilledSaveFixture : public GameFixture {
protected:
    static constexpr int kProfiles = 3;
    // Steps of one file's replacement; a save replaces two files.
    static constexpr int kSteps = 4;
    static constexpr int kRounds = 2 * kSteps * kProfiles;
    static constexpr const char* kNames[kProfiles] = {"P0", "P1", "P2"};

    // Told where the save stopped ("step|file name"); it does not return, the process
    // waits there to be killed.
    using Report = void (*)(const std::string& where);

    // fill(g) gives vy_global generation g with a pad whose length and letter follow g, so
    // a file holding parts of two generations fails check(g).
    void DefineFill() {
        ASSERT_TRUE(script.Lua(
            "function fill(g) vy_global = {gen = g, pad = string.rep(string.char(65 + g % 26), 3000 + g % "
            "700)} end"
            " function check(g) return #vy_global.pad == 3000 + g % 700"
            " and vy_global.pad == string.rep(string.char(65 + g % 26), #vy_global.pad) end"));
    }

    // Every profile at generation 0, the last one selected.
    void SeedProfiles() {
        vY_ProfileList seed;
        for (const char* name : kNames) {
            ASSERT_TRUE(seed.AddProfile(name));
            seed.SelectProfile(name);
            ASSERT_TRUE(script.Lua("fill(0)"));
            ASSERT_TRUE(seed.SaveCurrentProfile());
        }
    }

    // The saving process's part of a round: saves generation round + 1 of its profile and
    // stops at write step round % (2 * kSteps), where report is called. Returns only when
    // the save did not reach that step.
    void SaveAndStop(int round, Report report) {
        stopAt_ = round % (2 * kSteps);
        steps_ = 0;
        report_ = report;
        vK_DataProviderSave::SetFaultHook(&Stop);
        vY_ProfileList saver;
        const int gen = round + 1;
        saver.SelectProfile(kNames[gen % kProfiles]);
        script.Lua("fill(" + std::to_string(gen) + ")");
        saver.SaveCurrentProfile();
        vK_DataProviderSave::SetFaultHook(nullptr);
    }

    // What the files hold between rounds.
    struct OnDisk {
        int gens[kProfiles] = {0, 0, 0};
        int current = kProfiles - 1;
    };

    // Checks the files after the saver of round was killed where it reported, and moves
    // on_disk to what they now hold.
    void ExpectKilledRound(int round, const std::string& where, OnDisk& on_disk) {
        const size_t bar = where.find('|');
        ASSERT_NE(bar, std::string::npos) << "round " << round << ": the save ended without stopping";
        const std::string step = where.substr(0, bar);
        const bool in_list = where.substr(bar + 1) == "profile_list.json";
        const int gen = round + 1;
        const int profile = gen % kProfiles;
        // The list names the new selection once it is replaced; the profile's file holds
        // the new generation once it is replaced.
        if (!in_list || step == "replaced") on_disk.current = profile;
        if (!in_list && step == "replaced") on_disk.gens[profile] = gen;
        stopsSeen_.insert(where + " " + kNames[profile]);
        SCOPED_TRACE("round " + std::to_string(round) + " killed at " + where);
        vY_ProfileList list;
        ASSERT_EQ(list.GetCount(), kProfiles);
        EXPECT_EQ(list.GetCurrent(), on_disk.current);
        for (int p = 0; p < kProfiles; ++p) {
            list.SelectProfile(kNames[p]);
            ASSERT_TRUE(list.LoadCurrentProfile()) << kNames[p];
            EXPECT_EQ(script.Eval("vy_global.gen"), std::to_string(on_disk.gens[p])) << kNames[p];
            EXPECT_EQ(script.Eval("tostring(check(vy_global.gen))"), "true") << kNames[p];
        }
    }

    // Every step of both files, for every profile.
    void ExpectEveryStepMet() const { EXPECT_EQ(static_cast<int>(stopsSeen_.size()), kRounds); }

private:
    static bool Stop(const char* step, const char* path) {
        if (steps_++ != stopAt_) return true;
        const std::string file(path);
        report_(std::string(step) + "|" + file.substr(file.find_last_of("/\\") + 1));
        return false;
    }

    static inline int stopAt_ = -1;
    static inline int steps_ = 0;
    static inline Report report_ = nullptr;
    std::set<std::string> stopsSeen_;
};
