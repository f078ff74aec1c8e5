// vk.obj.anim: playing animation objects.
#include <string>

#include "scene/animation.h"
#include "script/api_args.h"
#include "script/script_api.h"

namespace {
using vK_ApiArgs::At;

// The animation named by the first argument; objects of other types do not count.
vK_Animation* AnimArg(const vK_ScriptArgs& args) {
    vK_Object* object = vK_ApiArgs::Object(args, 0);
    return object && object->GetType() == "anim" ? dynamic_cast<vK_Animation*>(object) : nullptr;
}

// AnimPlay(object, function name, handler)
void AnimPlay(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_Animation* animation = AnimArg(args);
    const vK_Data* function = At(args, 1);
    if (!animation || !function) return;
    const vK_Data* handler = At(args, 2);
    animation->Play(function->ToString(),
                    handler && !handler->IsNull() ? vK_ApiArgs::Handler(args, 2) : vK_DataScriptFunction());
}

void AnimStop(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    if (vK_Animation* animation = AnimArg(args)) animation->Stop();
}

// AnimPause(object, number): paused while the number is above 0.
void AnimPause(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_Animation* animation = AnimArg(args);
    const vK_Data* flag = At(args, 1);
    if (animation && flag) animation->Pause(flag->GetFloat() > 0.0f);
}

void AnimAttachChildToObj(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_Animation* animation = AnimArg(args);
    const vK_Data* first = At(args, 1);
    const vK_Data* second = At(args, 2);
    if (animation && first && second) animation->AttachChildToObj(first->ToString(), second->ToString());
}

constexpr vK_ScriptApiEntry kEntries[] = {
    {"vk.obj.anim.Play; AnimPlay",
     &AnimPlay,
     {"object: name, function: string, handler: handler = none",
      "Plays the named function (sequence) of an animation object and queues handler when it ends."}},
    {"vk.obj.anim.Stop; AnimStop", &AnimStop, {"object: name", "Stops the animation where it is."}},
    {"vk.obj.anim.Pause; AnimPause",
     &AnimPause,
     {"object: name, paused: number", "Pauses the animation for a number above 0 and resumes it otherwise."}},
    {"vk.obj.anim.AttachChildToObj; AnimAttachChildToObj",
     &AnimAttachChildToObj,
     {"object: name, child: name, part: string",
      "Makes the animation's child object follow a symbol of a flash animation; other kinds of animation "
      "ignore it."}},
};
}  // namespace

vK_ScriptApiGroup ScriptApiAnimations() { return kEntries; }
