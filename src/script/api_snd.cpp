// vk.snd: playing, stopping and pausing sounds through the sound hub.
#include "media/sound_hub.h"
#include "script/api_args.h"
#include "script/script_api.h"

namespace {
using vK_ApiArgs::At;

// An optional number of seconds; 0 when absent.
float Seconds(const vK_ScriptArgs& args, unsigned index) {
    const vK_Data* value = At(args, index);
    return value ? value->GetFloat() : 0.0f;
}

// SndPlay(name, category, loop, flag, fade-in seconds or nothing)
void SndPlay(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_SoundHub* hub = vK_SoundHub::Instance();
    const vK_Data* name = At(args, 0);
    const vK_Data* category = At(args, 1);
    const vK_Data* loop = At(args, 2);
    const vK_Data* flag = At(args, 3);
    if (!hub || !name || !category || !loop || !flag) return;
    hub->Play(name->ToString(), category->ToString(), loop->GetBool(), flag->GetBool(), Seconds(args, 4));
}

// SndStop(name, fade-out seconds or nothing)
void SndStop(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_SoundHub* hub = vK_SoundHub::Instance();
    const vK_Data* name = At(args, 0);
    if (hub && name) hub->Stop(name->ToString(), Seconds(args, 1));
}

void SndPauseAll(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_SoundHub* hub = vK_SoundHub::Instance();
    const vK_Data* paused = At(args, 0);
    if (hub && paused) hub->PauseAll(paused->GetBool());
}

constexpr vK_ScriptApiEntry kEntries[] = {
    {"vk.snd.Play; SndPlay",
     &SndPlay,
     {"name: string, category: string, loop: bool, flag: bool, fade_in: number = 0",
      "Plays the sound NAME.ogg on a category (the game uses \"sfx\", \"env\", \"soundtrack\", \"voice\"), "
      "looping or once, fading in over fade_in seconds; flag marks a sound effect."}},
    {"vk.snd.Stop; SndStop",
     &SndStop,
     {"name: string, fade_out: number = 0",
      "Stops every playing instance of the sound, fading out over fade_out seconds."}},
    {"vk.snd.PauseAll; SndPauseAll", &SndPauseAll, {"paused: bool", "Pauses or resumes every sound."}},
};
}  // namespace

vK_ScriptApiGroup ScriptApiSound() { return kEntries; }
