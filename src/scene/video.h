#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/object.h"

class vK_GeneratedTexture;
class vK_SubtitleTrack;
class vK_VideoImpl_Ogg;

// Object type "video": plays the Theora video named by the resource name (N.ogg with
// optional N.zalpha / N.oggalpha alpha and N.srt subtitles) into a texture named after
// the object with "_tex" appended. The decoder exists only while the object is in the
// live scene; outside it Play, Stop, Pause and SetFrame only store their state, which
// EnterScene applies. The current frame is the index of the picture shown, and the
// decoder stands just after it: at most one picture is converted per engine frame,
// frames that are late are decoded without conversion.
class vK_Video : public vK_Object {
public:
    explicit vK_Video(const std::string& name = std::string());
    ~vK_Video() override;

    std::shared_ptr<vK_Resource> GetResource() const override;
    void SetProperties(const vK_DataTable& table) override;
    void GetProperties(vK_DataTable& table, bool full) const override;
    std::string GetType() const override { return "video"; }
    vK_Rect GetDrawRect() const override;
    void RestoreGraphics(bool recursive) override;
    void Reset() override;
    bool EnterScene() override;
    bool LeaveScene() override;
    void Tick(const vK_FrameInfo& frame) override;
    void DrawSelf(vK_Render& render, const vK_DrawParams& state) override;
    void DumpLine(bool skip, int indent) const override;

    // Starts from frame 0 unless already playing; handler is queued at the end.
    virtual void Play(const vK_DataScriptFunction& handler);
    // Back to frame 0, not playing, subtitles rewound.
    virtual void Stop();
    virtual void Pause(bool pause) { playing_ = !pause; }
    // Shows frame (paused there) when it differs from the current one.
    virtual void SetFrame(int frame);
    virtual bool IsPlaying() const { return playing_; }
    virtual bool GetLooped() const { return looped_; }
    virtual void SetLooped(bool looped) { looped_ = looped; }

    int GetCurrentFrame() const { return currentFrame_; }
    float GetFrameDuration() const { return frameDuration_; }
    bool HasDecoder() const { return decoder_ != nullptr; }
    const vK_VideoImpl_Ogg* GetDecoder() const { return decoder_.get(); }
    const vK_SubtitleTrack* GetSubtitles() const { return subtitles_.get(); }
    // Pictures converted into the texture since the object was made.
    int GetConvertCount() const { return convertCount_; }
    // The pixels of the last converted picture (B, G, R, A, width x height).
    const std::vector<uint8_t>& GetPixels() const { return pixels_; }

    static void RegisterType();

private:
    // Decodes the next frame and converts it into the texture; false at the end.
    bool DecodeIntoTexture();
    // Seeks the decoder to the current frame and shows it.
    void ShowCurrentFrame();
    void End();
    // Queues the end handler as a deferred script call with {sender = name}.
    void QueueEndHandler();

    std::unique_ptr<vK_VideoImpl_Ogg> decoder_;
    std::unique_ptr<vK_SubtitleTrack> subtitles_;
    float elapsed_ = 0.0f;
    float frameDuration_ = 0.0f;
    int currentFrame_ = 0;
    bool playing_ = false;
    bool looped_ = false;
    std::shared_ptr<vK_GeneratedTexture> texture_;
    vK_DataScriptFunction endHandler_;
    std::vector<uint8_t> pixels_;
    int convertCount_ = 0;
    bool missingLogged_ = false;
};
