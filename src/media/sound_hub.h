#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/frame_stages.h"
#include "media/sound.h"

struct vK_FrameInfo;

// The engine's sounds: named Ogg Vorbis files grouped into categories with one volume
// each, faded in and out, paused on focus loss, and removed once finished. One
// instance, created at start-up; the back end (vK_SoundHub_Impl) creates the sounds.
class vK_SoundHub {
public:
    static vK_SoundHub* Instance();

    vK_SoundHub();
    virtual ~vK_SoundHub();
    vK_SoundHub(const vK_SoundHub&) = delete;
    vK_SoundHub& operator=(const vK_SoundHub&) = delete;

    // Plays name + ".ogg" in the category (fading in over fadeIn seconds when > 0). flag
    // is the scripts' fourth argument; no behaviour depends on it.
    virtual void Play(const std::string& name, const std::string& category, bool loop, bool flag,
                      float fadeIn) = 0;
    // Fades out every sound of the name (at once for 0).
    virtual void Stop(const std::string& name, float fadeOut);
    virtual void SetCategoryVolume(const std::string& category, float volume);
    // The category's volume; an unknown category is created with 1.0.
    virtual float GetCategoryVolume(const std::string& category);
    virtual void StopCategory(const std::string& category);
    virtual void StopAll(float fadeOut);
    // Pauses or resumes the first sound of the name only.
    virtual void Pause(const std::string& name, bool paused);
    // The focus pause of every sound. Resuming lifts only that pause (a sound paused
    // through Pause stays paused) and puts every sound at its category volume.
    virtual void PauseAll(bool paused);
    // Ticks every sound and deletes the finished ones.
    virtual void Update(const vK_FrameInfo& frame);
    // True when a sound of the name plays at its volume (fading ones do not count).
    virtual bool IsPlaying(const std::string& name) const;
    // StopAll (0), then deletes every sound.
    virtual void StopAllNow();

    // Opens the audio device (the platform does it when the display is initialised);
    // false when there is none. Whether sound reaches a device; without one every
    // operation still works.
    virtual bool OpenDevice() { return false; }
    virtual bool HasDevice() const { return false; }

    const std::vector<std::unique_ptr<vK_Sound>>& GetSounds() const { return sounds_; }
    const std::vector<std::pair<std::string, float>>& GetCategories() const { return categories_; }

protected:
    void AddSound(std::unique_ptr<vK_Sound> sound) { sounds_.push_back(std::move(sound)); }

private:
    std::vector<std::pair<std::string, float>> categories_;
    std::vector<std::unique_ptr<vK_Sound>> sounds_;
    vK_FrameStages::Registration updateStage_;  // Update after every frame's processing
};
