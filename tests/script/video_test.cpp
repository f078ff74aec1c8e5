#include "scene/video.h"

#include <algorithm>

#include "core/mediator.h"
#include "files/log.h"
#include "graphics/texture.h"
#include "media/subtitle_recorder.h"
#include "media/subtitle_track.h"
#include "media/video_impl_ogg.h"
#include "script/script_api.h"
#include "script_drawable_fixture.h"
#include "support/test_videos.h"

namespace {

class VideoTest : public ScriptDrawableFixture {
protected:
    void SetUp() override {
        ScriptDrawableFixture::SetUp();
        vK_Video::RegisterType();
        Install("clip", test_videos::MakeTheora("c420_2s", "testsrc=size=320x240:rate=25:duration=2"));
        Install("short", test_videos::MakeTheora("c420", "testsrc=size=320x240:rate=25:duration=1",
                                                 "-pix_fmt yuv420p"));
    }
    void Install(const std::string& name, const std::string& made) {
        ASSERT_FALSE(made.empty()) << "ffmpeg could not make the test video";
        WriteBytes("assets/v/" + name + ".ogg", test_videos::ReadAll(made));
    }
    // A video of the resource under parent (the live root when null).
    vK_Video* Make(const std::string& name, const std::string& res, vK_Object* parent = nullptr) {
        auto* video = static_cast<vK_Video*>(vK_Object::CreateObject("video", name));
        (parent ? parent : origin)->AddChild(video);
        vK_DataTable props;
        props.SetString("res", "assets/v/" + res);
        video->SetProperties(props);
        return video;
    }
    vK_DataScriptFunction Handler() { return hub.CompileCode("ended = (ended or 0) + 1"); }
    int Ended() {
        hub.RunDeferredHandlers();
        auto value = hub.GetGlobal("ended");
        return value ? value->GetInt() : 0;
    }
    int Decoded(const vK_Video* video) {
        return video->GetDecoder() ? video->GetDecoder()->GetFrameCount() : -1;
    }
};

TEST_F(VideoTest, At60EngineFramesEachPictureShowsTwoOrThreeFramesAndIsConvertedOnce) {
    vK_Video* video = Make("v", "clip");
    ASSERT_TRUE(video->HasDecoder());
    EXPECT_FLOAT_EQ(video->GetFrameDuration(), 0.04f);
    video->Play(Handler());
    std::vector<int> shown;
    for (int i = 0; i < 90; ++i) {
        const int before = video->GetConvertCount();
        Step(1.0f / 60);
        EXPECT_LE(video->GetConvertCount() - before, 1) << "engine frame " << i;
        shown.push_back(video->GetCurrentFrame());
    }
    // Run lengths of every picture but the first and the last one seen.
    std::vector<int> runs;
    for (size_t i = 0; i < shown.size();) {
        size_t j = i;
        while (j < shown.size() && shown[j] == shown[i]) ++j;
        runs.push_back(static_cast<int>(j - i));
        EXPECT_TRUE(i == 0 || shown[i] == shown[i - 1] + 1) << "no picture is passed over at 60 fps";
        i = j;
    }
    ASSERT_GT(runs.size(), 30u);
    for (size_t k = 1; k + 1 < runs.size(); ++k) EXPECT_TRUE(runs[k] == 2 || runs[k] == 3) << runs[k];
    EXPECT_EQ(video->GetCurrentFrame(), 37);  // 1.5 s at 25 fps
}

TEST_F(VideoTest, ALongFrameSkipsTheLateFramesAndConvertsOnlyTheDueOne) {
    struct Case {
        float dt;
        int advance;
    };
    // From picture 5: 0.2 s is five frame periods, one second 25.
    const Case cases[] = {{0.2f, 5}, {1.0f, 25}, {0.03f, 0}, {0.05f, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dt);
        vK_Video* video = Make("v", "clip");
        video->Play(Handler());
        for (int i = 0; i < 12; ++i) Step(1.0f / 60);  // 0.2 s
        ASSERT_EQ(video->GetCurrentFrame(), 5);
        const int converts = video->GetConvertCount();
        const int decoded = Decoded(video);
        Step(c.dt);
        EXPECT_EQ(video->GetCurrentFrame(), 5 + c.advance);
        EXPECT_EQ(Decoded(video) - decoded, c.advance);
        EXPECT_EQ(video->GetConvertCount() - converts, c.advance > 0 ? 1 : 0);
        vK_Object::Destroy(video);
        vK_Object::FlushGraveyard();
    }
}

TEST_F(VideoTest, TheEndQueuesTheHandlerOnceAndALoopedVideoStartsAgain) {
    for (bool looped : {false, true}) {
        SCOPED_TRACE(looped);
        vK_DataInt zero(0);
        hub.SetGlobal(&zero, "ended");
        vK_Video* video = Make(looped ? "loop" : "once", "short");
        video->SetLooped(looped);
        video->Play(Handler());
        int ends = 0;
        for (int i = 0; i < 80 && ends == 0; ++i) {
            Step(1.0f / 60);
            ends = Ended();
        }
        EXPECT_EQ(ends, 1);
        EXPECT_EQ(video->IsPlaying(), looped);
        EXPECT_EQ(video->GetCurrentFrame(), looped ? 0 : 24);  // the last of 25 pictures stays
        EXPECT_NE(video->GetResource(), nullptr);
        Step(1.0f / 60);
        EXPECT_EQ(Ended(), 1);
    }
}

TEST_F(VideoTest, OutsideTheSceneStateIsStoredAndEnterSceneSeeksToIt) {
    vK_Video* video = Make("parked", "clip", storage);
    EXPECT_FALSE(video->HasDecoder());
    video->Play(Handler());
    video->Stop();
    video->Pause(true);
    video->SetFrame(7);
    Step(0.5f);
    EXPECT_EQ(video->GetCurrentFrame(), 7);
    EXPECT_FALSE(video->IsPlaying());
    origin->AddChild(video);
    ASSERT_TRUE(video->HasDecoder());
    EXPECT_EQ(video->GetCurrentFrame(), 7);
    EXPECT_EQ(Decoded(video), 8);
    // The picture shown is the eighth of the file.
    vK_VideoImpl_Ogg reference;
    ASSERT_TRUE(reference.Open("assets/v/clip"));
    reference.SeekToFrame(7);
    ASSERT_TRUE(reference.DecodeFrame());
    std::vector<uint8_t> expected(320 * 240 * 4);
    reference.CopyFrame(expected.data(), 0);
    EXPECT_EQ(video->GetPixels(), expected);
    auto texture = std::dynamic_pointer_cast<vK_Texture>(video->GetResource());
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetName(), "parked_tex");
    EXPECT_FLOAT_EQ(video->GetDrawRect().w, 320.0f);
    // Leaving the scene drops the decoder and the texture, keeping the frame.
    storage->AddChild(video);
    EXPECT_FALSE(video->HasDecoder());
    EXPECT_EQ(video->GetResource(), nullptr);
    EXPECT_EQ(video->GetCurrentFrame(), 7);
}

TEST_F(VideoTest, SettingTheFrameChangesNothingForTheCurrentOneAndPausesOnAnother) {
    vK_Video* video = Make("v", "clip");
    video->Play(Handler());
    for (int i = 0; i < 6; ++i) Step(1.0f / 60);
    const int frame = video->GetCurrentFrame();
    const int converts = video->GetConvertCount();
    vK_DataTable same;
    same.SetInt("frame", frame);
    video->SetProperties(same);
    EXPECT_TRUE(video->IsPlaying());
    EXPECT_EQ(video->GetConvertCount(), converts);
    vK_DataTable other;
    other.SetInt("frame", 30);
    video->SetProperties(other);
    EXPECT_FALSE(video->IsPlaying());
    EXPECT_EQ(video->GetCurrentFrame(), 30);
    EXPECT_EQ(video->GetConvertCount(), converts + 1);
    // Resuming continues from there at the video's pace.
    video->Pause(false);
    Step(0.04f);
    EXPECT_EQ(video->GetCurrentFrame(), 31);
    vK_DataTable props;
    video->GetProperties(props, true);
    int32_t stored = 0;
    EXPECT_TRUE(props.GetInt("frame", stored));
    EXPECT_EQ(stored, 31);
}

TEST_F(VideoTest, RestoreGraphicsShowsTheCurrentFrameAgainInANewTexture) {
    vK_Video* video = Make("v", "clip");
    video->Play(Handler());
    for (int i = 0; i < 20; ++i) Step(1.0f / 60);
    const int frame = video->GetCurrentFrame();
    const std::vector<uint8_t> before = video->GetPixels();
    const auto oldTexture = video->GetResource();
    video->RestoreGraphics(true);
    EXPECT_NE(video->GetResource(), oldTexture);
    EXPECT_EQ(video->GetCurrentFrame(), frame);
    EXPECT_EQ(video->GetPixels(), before);
    EXPECT_TRUE(video->IsPlaying());
    Step(0.04f);
    EXPECT_EQ(video->GetCurrentFrame(), frame + 1);
}

TEST_F(VideoTest, AMissingOggIsLoggedOnceAndTheVideoNeverEnds) {
    vK_LogCapture log;
    vK_Video* video = Make("ghost", "none");
    storage->AddChild(video);
    origin->AddChild(video);
    video->Play(Handler());
    for (int i = 0; i < 10; ++i) Step(1.0f);
    EXPECT_EQ(Ended(), 0);
    EXPECT_TRUE(video->IsPlaying());
    const std::string line = "Error: video ghost could not find \"assets/v/none\" ogg file!";
    const std::string& text = log.Text();
    ASSERT_NE(text.find(line), std::string::npos) << text;
    EXPECT_EQ(text.find(line, text.find(line) + 1), std::string::npos) << text;
}

TEST_F(VideoTest, SubtitlesBesideTheVideoFollowItsTime) {
    vK_Mediator mediator;
    SubtitleRecorder recorder;
    WriteText("assets/v/clip.srt", "1\r\n00:00:00,500 --> 00:00:01,010\r\nSUB_1\r\n");
    vK_Video* video = Make("v", "clip");
    ASSERT_NE(video->GetSubtitles(), nullptr);
    video->Play(Handler());
    std::vector<std::string> seen;
    for (int i = 0; i < 70; ++i) {
        Step(1.0f / 60);
        for (const std::string& s : recorder.Take()) seen.push_back(s + "@" + std::to_string(i));
    }
    // 0.5 s is reached at engine frame 29 (30 / 60), 1.01 s at 60 (61 / 60).
    EXPECT_EQ(seen, (std::vector<std::string>{"1:SUB_1@29", "0@60"}));
    Step(1.0f / 60);
    video->Stop();
    EXPECT_TRUE(recorder.Take().empty());  // nothing shown: nothing to hide
}

TEST_F(VideoTest, ScriptFunctionsAndAliasesReachOnlyVideos) {
    RegisterScriptApi(hub);
    vK_Video* video = Make("v", "clip");
    vK_Object* plain = vK_Object::CreateObject("obj", "plain");
    origin->AddChild(plain);
    auto run = [&](const std::string& code) {
        vK_DataArray none;
        return hub.CallFunction(hub.CompileCode(code), &none);
    };
    ASSERT_TRUE(run("VidPlay('v', 'ended = 1'); VidPlay('plain', 'x = 1')"));
    EXPECT_TRUE(video->IsPlaying());
    ASSERT_TRUE(run("vk.obj.vid.Pause('v', 1)"));
    EXPECT_FALSE(video->IsPlaying());
    ASSERT_TRUE(run("VidPause('v', 0)"));
    EXPECT_TRUE(video->IsPlaying());
    for (int i = 0; i < 10; ++i) Step(1.0f / 60);
    EXPECT_GT(video->GetCurrentFrame(), 0);
    ASSERT_TRUE(run("vk.obj.vid.Stop('v'); VidStop('nobody'); VidPause('v')"));
    EXPECT_FALSE(video->IsPlaying());
    EXPECT_EQ(video->GetCurrentFrame(), 0);
}

}  // namespace
