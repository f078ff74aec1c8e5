// vk.obj.vid: playing video objects.
#include "scene/video.h"
#include "script/api_args.h"
#include "script/script_api.h"

namespace {
using vK_ApiArgs::At;

// The video named by the first argument; nullptr for any other object.
vK_Video* VideoArg(const vK_ScriptArgs& args) {
    vK_Object* object = vK_ApiArgs::Object(args, 0);
    return object && object->GetType() == "video" ? dynamic_cast<vK_Video*>(object) : nullptr;
}

// VidPlay(object, handler): the handler is queued when the video ends.
void VidPlay(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    if (vK_Video* video = VideoArg(args)) video->Play(vK_ApiArgs::Handler(args, 1));
}

void VidStop(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    if (vK_Video* video = VideoArg(args)) video->Stop();
}

// VidPause(object, number): pauses for a number above 0, resumes otherwise.
void VidPause(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_Video* video = VideoArg(args);
    const vK_Data* flag = At(args, 1);
    if (video && flag) video->Pause(flag->GetFloat() > 0.0f);
}

constexpr vK_ScriptApiEntry kEntries[] = {
    {"vk.obj.vid.Play; VidPlay",
     &VidPlay,
     {"object: name, handler: handler = none",
      "Plays the video object from its current frame and queues handler when it ends."}},
    {"vk.obj.vid.Stop; VidStop", &VidStop, {"object: name", "Stops the video."}},
    {"vk.obj.vid.Pause; VidPause",
     &VidPause,
     {"object: name, paused: number", "Pauses the video for a number above 0 and resumes it otherwise."}},
};
}  // namespace

vK_ScriptApiGroup ScriptApiVideos() { return kEntries; }
