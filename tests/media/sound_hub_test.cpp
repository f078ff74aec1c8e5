// The sound hub on the mixer with no device, driven by a fake 60 Hz frame clock: fades,
// stops, category volumes, pausing, and files that cannot be played.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/frame_info.h"
#include "files/log.h"
#include "media/sound_hub_impl.h"
#include "support/file_manager_fixture.h"
#include "support/vorbis_encode.h"

namespace {

constexpr float kFrame = 1.0f / 60.0f;

class SoundHubTest : public StartedFileManagerFixture {
protected:
    void SetUp() override {
        StartedFileManagerFixture::SetUp();
        // A looping ambience and a half-second click.
        AddSound("loop", vorbis_test::ToneFile(440.0f, 0.5f, 0.5f, 2, 44100));
        AddSound("click", vorbis_test::ToneFile(1000.0f, 0.5f, 0.5f, 1, 22050));
    }
    void AddSound(const std::string& name, const std::vector<uint8_t>& bytes) {
        folder.WriteFile("root/assets/sounds/" + name + ".ogg", std::string(bytes.begin(), bytes.end()));
    }
    static std::string Path(const std::string& name) { return "assets/sounds/" + name; }
    void Frames(int n) {
        vK_FrameInfo frame;
        frame.dt = kFrame;
        frame.elapsed = kFrame;
        for (int i = 0; i < n; ++i) hub.Update(frame);
    }
    // Frames until the condition holds (at most limit).
    template <typename Condition>
    int FramesUntil(Condition condition, int limit = 1000) {
        for (int i = 1; i <= limit; ++i) {
            Frames(1);
            if (condition()) return i;
        }
        return -1;
    }
    vK_Sound& Sound(size_t i) { return *hub.GetSounds().at(i); }

    vK_SoundHub_Impl hub;
};

TEST_F(SoundHubTest, FadeInReachesCategoryVolumeAfterTwoSecondsAndOnlyThenPlays) {
    hub.Play(Path("loop"), "music", true, false, 2.0f);
    ASSERT_EQ(hub.GetSounds().size(), 1u);
    EXPECT_EQ(Sound(0).GetState(), vK_Sound::kFadingIn);
    EXPECT_FALSE(hub.IsPlaying(Path("loop")));
    Frames(60);
    // 0.5 volume units per second: half way after one second.
    EXPECT_NEAR(Sound(0).GetCurrentVolume(), 0.5f, 0.01f);
    EXPECT_FALSE(hub.IsPlaying(Path("loop")));
    const int frames = FramesUntil([&] { return hub.IsPlaying(Path("loop")); });
    EXPECT_NEAR(60 + frames, 120, 1);
    EXPECT_FLOAT_EQ(Sound(0).GetCurrentVolume(), 1.0f);
}

TEST_F(SoundHubTest, StopWithAndWithoutFade) {
    struct Case {
        float fadeOut;
        int framesUntilRemoved;  // 0: gone at the first update
    };
    for (const Case& c : {Case{1.0f, 60}, Case{0.5f, 30}, Case{0.0f, 1}}) {
        SCOPED_TRACE(c.fadeOut);
        hub.Play(Path("loop"), "ambient", true, false, 0.0f);
        ASSERT_TRUE(hub.IsPlaying(Path("loop")));
        hub.Stop(Path("loop"), c.fadeOut);
        EXPECT_FALSE(hub.IsPlaying(Path("loop")));
        if (c.fadeOut == 0.0f) {
            EXPECT_EQ(hub.GetMixer().ChannelCount(), 0u);  // released at once
        }
        const int frames = FramesUntil([&] { return hub.GetSounds().empty(); });
        EXPECT_NEAR(frames, c.framesUntilRemoved, 1);
        EXPECT_EQ(hub.GetMixer().ChannelCount(), 0u);
    }
}

TEST_F(SoundHubTest, CategoryVolumeAppliesToPlayingAndLaterSounds) {
    EXPECT_FLOAT_EQ(hub.GetCategoryVolume("voice"), 1.0f);
    EXPECT_EQ(hub.GetCategories().size(), 1u);  // created by asking
    hub.Play(Path("loop"), "voice", true, false, 0.0f);
    hub.Play(Path("loop"), "music", true, false, 0.0f);
    hub.SetCategoryVolume("voice", 0.5f);
    EXPECT_FLOAT_EQ(Sound(0).GetCurrentVolume(), 0.5f);
    EXPECT_FLOAT_EQ(Sound(1).GetCurrentVolume(), 1.0f);
    hub.Play(Path("loop"), "voice", true, false, 0.0f);
    EXPECT_FLOAT_EQ(Sound(2).GetTargetVolume(), 0.5f);
    EXPECT_FLOAT_EQ(Sound(2).GetCurrentVolume(), 0.5f);
    // A later fade-in aims at the category volume.
    hub.Play(Path("loop"), "voice", true, false, 1.0f);
    EXPECT_NEAR(FramesUntil([&] { return Sound(3).GetState() == vK_Sound::kPlaying; }), 30, 1);
    EXPECT_FLOAT_EQ(Sound(3).GetCurrentVolume(), 0.5f);
}

TEST_F(SoundHubTest, PauseTouchesOnlyTheFirstSoundOfTheName) {
    hub.Play(Path("loop"), "a", true, false, 0.0f);
    hub.Play(Path("loop"), "b", true, false, 0.0f);
    hub.Pause(Path("loop"), true);
    EXPECT_TRUE(Sound(0).IsPaused());
    EXPECT_FALSE(Sound(1).IsPaused());
    hub.Pause(Path("loop"), false);
    EXPECT_FALSE(Sound(0).IsPaused());
}

TEST_F(SoundHubTest, PauseAllRoundTripRestartsFadesFromTheCategoryVolume) {
    hub.SetCategoryVolume("music", 0.8f);
    hub.Play(Path("loop"), "music", true, false, 0.0f);
    hub.Play(Path("click"), "ambient", false, false, 4.0f);
    hub.Stop(Path("loop"), 1.0f);
    Frames(15);  // the loop falls to 0.8 - 0.25; the click fades in to 0.0625
    EXPECT_NEAR(Sound(0).GetCurrentVolume(), 0.55f, 0.01f);
    hub.PauseAll(true);
    Frames(120);  // nothing moves while paused, and the click does not run out
    ASSERT_EQ(hub.GetSounds().size(), 2u);
    EXPECT_NEAR(Sound(0).GetCurrentVolume(), 0.55f, 0.01f);
    hub.PauseAll(false);
    // Both are back at their category volumes; the fading-out one starts its fade again.
    EXPECT_FLOAT_EQ(Sound(0).GetCurrentVolume(), 0.8f);
    EXPECT_EQ(Sound(0).GetState(), vK_Sound::kFadingOut);
    EXPECT_FLOAT_EQ(Sound(1).GetCurrentVolume(), 1.0f);
    EXPECT_EQ(Sound(1).GetState(), vK_Sound::kFadingIn);
    Frames(1);
    EXPECT_EQ(Sound(1).GetState(), vK_Sound::kPlaying);
    // 0.8 at one unit per second: 48 frames more until the loop is gone.
    const int frames = FramesUntil([&] {
        for (const auto& s : hub.GetSounds())
            if (s->GetName() == Path("loop")) return false;
        return true;
    });
    EXPECT_NEAR(frames, 47, 1);
}

TEST_F(SoundHubTest, FocusResumeKeepsWhatTheScriptPaused) {
    // Two half-second clicks; the script pauses the first before the window loses focus.
    hub.Play(Path("click"), "sfx", false, false, 0.0f);
    hub.Play(Path("loop"), "sfx", true, false, 0.0f);
    hub.Pause(Path("click"), true);
    hub.PauseAll(true);
    EXPECT_TRUE(Sound(0).IsFocusPaused());
    hub.PauseAll(false);
    EXPECT_TRUE(Sound(0).IsPaused());
    EXPECT_FALSE(Sound(1).IsPaused() || Sound(1).IsFocusPaused());
    // Its channel stays paused too: a second of frames does not run the click out.
    Frames(60);
    ASSERT_EQ(hub.GetSounds().size(), 2u);
    hub.Pause(Path("click"), false);
    EXPECT_NEAR(FramesUntil([&] { return hub.GetSounds().size() == 1u; }), 30, 2);
}

TEST_F(SoundHubTest, NonLoopingSoundEndsByItselfWithoutDevice) {
    ASSERT_FALSE(hub.HasDevice());
    hub.Play(Path("click"), "sfx", false, true, 0.0f);
    EXPECT_NEAR(FramesUntil([&] { return hub.GetSounds().empty(); }), 30, 2);
}

TEST_F(SoundHubTest, UnplayableFilesAreLoggedAndRemovedAtTheNextUpdate) {
    const std::vector<uint8_t> good = vorbis_test::ToneFile(440.0f, 0.5f, 0.5f, 2, 44100);
    AddSound("text", std::vector<uint8_t>{'n', 'o', 't', ' ', 'o', 'g', 'g'});
    AddSound("empty", {});
    AddSound("headers_cut", std::vector<uint8_t>(good.begin(), good.begin() + 200));
    AddSound("half", std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2));
    struct Case {
        const char* name;
        const char* log;
    };
    for (const Case& c :
         {Case{"missing", "Error:: sound could not find \"assets/sounds/missing\" file!"},
          Case{"text", "Error: sound could not decode"}, Case{"empty", "Error: sound could not decode"},
          Case{"headers_cut", "Error: sound could not decode"}}) {
        SCOPED_TRACE(c.name);
        vK_LogCapture log;
        hub.Play(Path(c.name), "sfx", true, false, 1.0f);
        EXPECT_TRUE(log.Contains(c.log)) << log.Text();
        Frames(1);
        EXPECT_TRUE(hub.GetSounds().empty());
    }
    // A file cut in the middle of its audio plays what is there and ends.
    hub.Play(Path("half"), "sfx", false, false, 0.0f);
    EXPECT_GE(FramesUntil([&] { return hub.GetSounds().empty(); }), 1);
}

}  // namespace
