// Long play must not pile up memory: the real engine (OpenGL through SDL's offscreen
// driver, sound on the dummy driver) switches between two levels that hold every kind of
// content (tests/support/switch_game.h) more than 200 times at a fixed step, and the
// engine's live counts (objects, resources, textures, device textures, sound sources,
// sounds, Lua references, script subscriptions, Lua states) must be the same at every
// switch once warmed up, and back where they started after shut-down.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/engine_startup.h"
#include "core/vrakko.h"
#include "files/live_counts.h"
#include "game/application.h"
#include "platform/vrakko_impl.h"
#include "support/switch_game.h"
#include "support/temp_folder.h"

namespace {

constexpr int kKinds = static_cast<int>(vK_LiveKind::Count_);
using Counts = std::array<int64_t, kKinds>;

Counts Now() {
    Counts counts{};
    for (int k = 0; k < kKinds; ++k) counts[k] = vK_LiveCounts::Get(static_cast<vK_LiveKind>(k));
    return counts;
}

std::string Describe(const Counts& counts) {
    std::string out;
    for (int k = 0; k < kKinds; ++k)
        out += std::string(k ? ", " : "") + vK_LiveCounts::Name(static_cast<vK_LiveKind>(k)) + " " +
               std::to_string(counts[k]);
    return out;
}

TEST(LevelMemory, CountsStayEqualThroughTwoHundredSwitches) {
    constexpr int kSwitches = 210, kWarmUp = 10;
    TempFolder folder;
    const std::filesystem::path root = folder.Path();
    ASSERT_TRUE(switch_game::Write(root, std::string(VRAKKO_BINARY_DIR) + "/demo/assets", 20));
    const Counts before = Now();

    vK_StartupOptions options;
    options.assetRoot = root.string();
    options.saveFolder = (root / "save").string();
    Vrakko_Impl& platform = EngineStartup("assets/config", options);
    Vrakko* engine = &platform.GetEngine();
    // Ten frames a second: a switch (0.1 s of level, two 0.4 s fades) takes about ten frames.
    engine->SetFPS(10.0f);
    platform.SetFrameLimit(kSwitches * 30);
    std::vector<Counts> atSwitch;
    bool ran = false;
    {
        vY_Application application(1024, 768);
        const vY_Level* level = nullptr;
        platform.SetReplay([&] {
            if (application.GetLevel() == level) return;
            level = application.GetLevel();
            atSwitch.push_back(Now());
            if (static_cast<int>(atSwitch.size()) > kSwitches) engine->Quit();
        });
        if (application.CanStart()) {
            engine->Run(&application);
            ran = platform.HasDisplay();
        }
        engine->SetApplication(nullptr);
    }
    EngineShutdown();
    if (!ran) GTEST_SKIP() << "no OpenGL 3.3 context";

    ASSERT_GT(static_cast<int>(atSwitch.size()), kSwitches);
    const Counts& warm = atSwitch[kWarmUp];
    // The levels hold what they were written with (a sanity check of the game itself).
    EXPECT_GT(warm[static_cast<int>(vK_LiveKind::Object)], 40) << Describe(warm);
    EXPECT_GT(warm[static_cast<int>(vK_LiveKind::DeviceTexture)], 5) << Describe(warm);
    EXPECT_GE(warm[static_cast<int>(vK_LiveKind::ScriptSubscription)], 1) << Describe(warm);
    EXPECT_GE(warm[static_cast<int>(vK_LiveKind::LuaState)], 2)
        << Describe(warm);  // the hub's, the fireflies'
    for (size_t i = kWarmUp; i < atSwitch.size(); ++i)
        ASSERT_EQ(atSwitch[i], warm) << "switch " << i << ": " << Describe(atSwitch[i]) << "\nswitch "
                                     << kWarmUp << ": " << Describe(warm);
    EXPECT_EQ(Now(), before) << "after shut-down: " << Describe(Now()) << "\nbefore: " << Describe(before);
}

}  // namespace
