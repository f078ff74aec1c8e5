#pragma once
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "data/data.h"

class vK_KeyTrack;

// Parameter ids of property animations; the value is also the script-visible number.
enum vK_AnimParameter : int {
    kAnimPosX = 0,
    kAnimPosY = 1,
    kAnimNone = 2,
    kAnimPosXY = 3,
    kAnimScaleX = 4,
    kAnimScaleY = 5,
    kAnimScaleXY = 6,
    kAnimAngle = 7,
    kAnimAlpha = 8,
    kAnimColorR = 9,
    kAnimColorG = 10,
    kAnimColorB = 11,
    kAnimColorRGB = 12,
    kAnimByName = 13,
};

// Floats per key for a parameter (time, easing and the values); 0 for unknown ids.
int AnimParameterStride(int parameter);
// Script names: "alp" 8, "pos_xy" 3, ... ; any other name is kAnimByName.
int AnimParameterFromName(const std::string& name);

// The values of an object that animations write; a parameter writes one to three of
// them, in the order of its key values (kAnimPosXY: x, then y).
enum vK_AnimChannel : int {
    kChannelX,
    kChannelY,
    kChannelScaleX,
    kChannelScaleY,
    kChannelAngle,
    kChannelAlpha,
    kChannelRed,
    kChannelGreen,
    kChannelBlue,
    kChannelCount
};
// Where one target keeps each channel's value.
using vK_AnimChannelFields = std::array<float*, kChannelCount>;
// Stores the values of parameter (0 to 12) into the fields of its channels; returns how
// many it stored (0 for kAnimNone, kAnimByName and unknown ids).
int WriteAnimatedValues(int parameter, const float* values, const vK_AnimChannelFields& fields);
// Where one target's channel values can be read.
using vK_AnimChannelValues = std::array<const float*, kChannelCount>;
// The reverse: reads the values of parameter's channels into values, in the order
// WriteAnimatedValues takes them; returns how many it read.
int ReadAnimatedValues(int parameter, const vK_AnimChannelValues& fields, float* values);

// The per-frame state additive animations write; rebuilt every frame.
struct vK_AnimationModifiers {
    float offset_x = 0, offset_y = 0, offset_z = 0, angle = 0;
    float scale_x = 1, scale_y = 1;
    float alpha = 1, red = 1, green = 1, blue = 1;

    // True when offsets, angle and scale factors leave the transform unchanged.
    bool IsTransformNeutral() const {
        return offset_x == 0 && offset_y == 0 && offset_z == 0 && angle == 0 && scale_x == 1 && scale_y == 1;
    }
};

// Where an animated object keeps the values absolute animations of parameters 0 to 12
// write, and the flag a write of a transform parameter (0 to 7) raises.
struct vK_AnimatedFields {
    vK_AnimChannelFields channels{};
    bool* transformDirty = nullptr;
};

// What an animated object offers for absolute animations: its fields for parameters
// 0 to 12 (asked once per tick, so a write needs no call into the object; colour and
// alpha values arrive clamped), and parameter 13 with the property name.
class vK_AnimationTarget {
public:
    virtual ~vK_AnimationTarget() = default;
    virtual vK_AnimatedFields AnimatedFields() = 0;
    // Parameter 13 (kAnimByName) only, with the property's name and its value.
    virtual void SetAnimatedValues(int parameter, const std::string& property, const float* values) = 0;
};

// The ordered property animations of one object. Each entry animates one parameter
// (or one named property) along its own key track, once or looping, either
// writing the property (absolute) or acting on the per-frame modifiers (additive).
class vK_PropertyAnimation {
public:
    vK_PropertyAnimation();
    ~vK_PropertyAnimation();
    vK_PropertyAnimation(const vK_PropertyAnimation&) = delete;
    vK_PropertyAnimation& operator=(const vK_PropertyAnimation&) = delete;

    // Replaces a running animation of the same parameter (for kAnimByName, of the
    // same property name) without calling its handler, then appends the new one.
    // Refused (false, nothing changes) for unknown parameters and for tracks that
    // hold no whole key; kAnimByName is never additive.
    bool Animate(int parameter, const std::string& property, bool loop, bool additive,
                 const vK_DataScriptFunction& handler, const float* values, int count);
    // Removes the matching entry without calling its handler; false when none.
    bool Stop(int parameter, const std::string& property);
    void Clear();
    size_t Count() const { return entries_.size(); }
    bool Has(int parameter, const std::string& property = {}) const;

    // Advances every entry by dt, applies absolute values to target and additive
    // values to modifiers (which the caller resets first), and appends the handler
    // of every entry that wrapped or ended, in entry order; ended entries are removed.
    // Returns whether an absolute entry wrote a transform parameter (0 to 7) or an
    // additive one changed the transform modifiers.
    bool Tick(float dt, vK_AnimationTarget& target, vK_AnimationModifiers& modifiers,
              std::vector<vK_ScriptHandle>& handlers);

private:
    struct Entry;
    std::vector<std::unique_ptr<Entry>> entries_;
};
