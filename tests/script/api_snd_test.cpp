// The snd script group drives the hub: argument reading, optional fade times and the
// conventions for short argument lists.
#include <gtest/gtest.h>

#include "media/sound_hub_impl.h"
#include "support/file_manager_fixture.h"
#include "support/script_scene.h"
#include "support/vorbis_encode.h"

namespace {

class SndApiTest : public StartedFileManagerFixture {
protected:
    void SetUp() override {
        StartedFileManagerFixture::SetUp();
        const std::vector<uint8_t> bytes = vorbis_test::ToneFile(440.0f, 0.5f, 0.5f, 1, 22050);
        folder.WriteFile("root/assets/tone.ogg", std::string(bytes.begin(), bytes.end()));
    }
    vK_SoundHub_Impl sounds;
    ScriptSceneFixture script;
};

TEST_F(SndApiTest, ScriptFunctionsReachTheHub) {
    // Too few arguments: nothing; then loop as a bool, the fade-in time optional.
    ASSERT_TRUE(script.Lua("SndPlay('assets/tone', 'sfx', true)"));
    EXPECT_TRUE(sounds.GetSounds().empty());
    ASSERT_TRUE(script.Lua("vk.snd.Play('assets/tone', 'sfx', true, false)"));
    ASSERT_TRUE(script.Lua("SndPlay('assets/tone', 'music', false, true, 2)"));
    ASSERT_EQ(sounds.GetSounds().size(), 2u);
    const vK_Sound& first = *sounds.GetSounds()[0];
    const vK_Sound& second = *sounds.GetSounds()[1];
    EXPECT_TRUE(first.IsLooping());
    EXPECT_EQ(first.GetState(), vK_Sound::kPlaying);
    EXPECT_EQ(second.GetCategory(), "music");
    EXPECT_FLOAT_EQ(second.GetFadeSpeed(), 0.5f);
    // A boolean given as a string is its number: "true" pauses nothing.
    ASSERT_TRUE(script.Lua("SndPauseAll('true')"));
    EXPECT_FALSE(first.IsFocusPaused());
    ASSERT_TRUE(script.Lua("vk.snd.PauseAll(true)"));
    EXPECT_TRUE(first.IsFocusPaused() && second.IsFocusPaused());
    ASSERT_TRUE(script.Lua("SndPauseAll(false) SndStop('assets/tone', 1)"));
    EXPECT_EQ(first.GetState(), vK_Sound::kFadingOut);
    ASSERT_TRUE(script.Lua("vk.snd.Stop('assets/tone')"));
    EXPECT_EQ(sounds.GetMixer().ChannelCount(), 0u);
}

}  // namespace
