#include "scene/property_animation.h"

#include <algorithm>

#include "scene/key_track.h"

struct vK_PropertyAnimation::Entry {
    int parameter = kAnimNone;
    std::string property;
    vK_DataScriptFunction handler;
    bool additive = false;
    bool reported = false;  // wrapped or ended in the current Tick
    std::optional<vK_KeyTrack> track;
};

namespace {
struct NamedParameter {
    const char* name;
    int parameter;
};
constexpr NamedParameter kParameterNames[] = {
    {"alp", kAnimAlpha},      {"pos_xy", kAnimPosXY},   {"pos_x", kAnimPosX},
    {"pos_y", kAnimPosY},     {"ang", kAnimAngle},      {"scale_xy", kAnimScaleXY},
    {"scale_x", kAnimScaleX}, {"scale_y", kAnimScaleY}, {"color_r", kAnimColorR},
    {"color_g", kAnimColorG}, {"color_b", kAnimColorB}, {"color_rgb", kAnimColorRGB},
};

float Clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

bool IsTransformParameter(int parameter) { return parameter >= kAnimPosX && parameter <= kAnimAngle; }

// The channels of parameters 0 to 12, ending at the first kChannelCount.
constexpr vK_AnimChannel kNoChannel = kChannelCount;
constexpr vK_AnimChannel kParameterChannels[][3] = {
    {kChannelX, kNoChannel, kNoChannel},           // kAnimPosX
    {kChannelY, kNoChannel, kNoChannel},           // kAnimPosY
    {kNoChannel, kNoChannel, kNoChannel},          // kAnimNone
    {kChannelX, kChannelY, kNoChannel},            // kAnimPosXY
    {kChannelScaleX, kNoChannel, kNoChannel},      // kAnimScaleX
    {kChannelScaleY, kNoChannel, kNoChannel},      // kAnimScaleY
    {kChannelScaleX, kChannelScaleY, kNoChannel},  // kAnimScaleXY
    {kChannelAngle, kNoChannel, kNoChannel},       // kAnimAngle
    {kChannelAlpha, kNoChannel, kNoChannel},       // kAnimAlpha
    {kChannelRed, kNoChannel, kNoChannel},         // kAnimColorR
    {kChannelGreen, kNoChannel, kNoChannel},       // kAnimColorG
    {kChannelBlue, kNoChannel, kNoChannel},        // kAnimColorB
    {kChannelRed, kChannelGreen, kChannelBlue},    // kAnimColorRGB
};

// Calls visit(channel, i) for the i-th value of parameter; returns how many there are.
template <class Visit>
int ForEachChannel(int parameter, Visit visit) {
    if (parameter < kAnimPosX || parameter > kAnimColorRGB) return 0;
    int count = 0;
    for (const vK_AnimChannel channel : kParameterChannels[parameter]) {
        if (channel == kNoChannel) break;
        visit(channel, count++);
    }
    return count;
}

// Additive animations move offsets and the angle by their values and multiply the
// scale and colour factors by them.
void ApplyAdditive(int parameter, const float* v, vK_AnimationModifiers& m) {
    const vK_AnimChannelFields fields = {&m.offset_x, &m.offset_y, &m.scale_x, &m.scale_y, &m.angle,
                                         &m.alpha,    &m.red,      &m.green,   &m.blue};
    ForEachChannel(parameter, [&](vK_AnimChannel channel, int i) {
        float& field = *fields[channel];
        if (channel == kChannelX || channel == kChannelY || channel == kChannelAngle) {
            field += v[i];
        } else {
            field *= v[i];
        }
    });
}

void ApplyAbsolute(const std::string& property, int parameter, const float* v, vK_AnimationTarget& target,
                   const vK_AnimatedFields& fields) {
    if (parameter == kAnimNone) return;
    float values[vK_KeyTrack::kMaxValues] = {v[0], 0, 0};
    const int count = AnimParameterStride(parameter) - 2;
    for (int i = 1; i < count; ++i) values[i] = v[i];
    if (parameter == kAnimByName) {
        target.SetAnimatedValues(parameter, property, values);
        return;
    }
    if (parameter >= kAnimAlpha && parameter <= kAnimColorRGB) {
        for (int i = 0; i < count; ++i) values[i] = Clamp01(values[i]);
    }
    // Colours and alpha leave the transform as it is.
    if (WriteAnimatedValues(parameter, values, fields.channels) > 0 && IsTransformParameter(parameter) &&
        fields.transformDirty)
        *fields.transformDirty = true;
}
}  // namespace

int WriteAnimatedValues(int parameter, const float* values, const vK_AnimChannelFields& fields) {
    return ForEachChannel(parameter, [&](vK_AnimChannel channel, int i) {
        if (fields[channel] != nullptr) *fields[channel] = values[i];
    });
}

int ReadAnimatedValues(int parameter, const vK_AnimChannelValues& fields, float* values) {
    return ForEachChannel(parameter, [&](vK_AnimChannel channel, int i) {
        values[i] = fields[channel] != nullptr ? *fields[channel] : 0.0f;
    });
}

int AnimParameterStride(int parameter) {
    switch (parameter) {
        case kAnimPosXY:
        case kAnimScaleXY:
            return 4;
        case kAnimColorRGB:
            return 5;
        default:
            return parameter >= kAnimPosX && parameter <= kAnimByName ? 3 : 0;
    }
}

int AnimParameterFromName(const std::string& name) {
    for (const NamedParameter& p : kParameterNames) {
        if (name == p.name) return p.parameter;
    }
    return kAnimByName;
}

vK_PropertyAnimation::vK_PropertyAnimation() = default;
vK_PropertyAnimation::~vK_PropertyAnimation() = default;

bool vK_PropertyAnimation::Animate(int parameter, const std::string& property, bool loop, bool additive,
                                   const vK_DataScriptFunction& handler, const float* values, int count) {
    const int stride = AnimParameterStride(parameter);
    if (stride == 0) return false;
    std::optional<vK_KeyTrack> track = vK_KeyTrack::Create(stride, values, count, loop);
    if (!track) return false;
    Stop(parameter, property);
    auto entry = std::make_unique<Entry>();
    entry->parameter = parameter;
    if (parameter == kAnimByName) entry->property = property;
    entry->handler.CopyFrom(handler);
    entry->additive = additive && parameter != kAnimByName;
    entry->track = std::move(track);
    entries_.push_back(std::move(entry));
    return true;
}

bool vK_PropertyAnimation::Stop(int parameter, const std::string& property) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        const Entry& e = **it;
        if (e.parameter == parameter && (parameter != kAnimByName || e.property == property)) {
            entries_.erase(it);
            return true;
        }
    }
    return false;
}

void vK_PropertyAnimation::Clear() { entries_.clear(); }

bool vK_PropertyAnimation::Has(int parameter, const std::string& property) const {
    return std::any_of(entries_.begin(), entries_.end(), [&](const std::unique_ptr<Entry>& e) {
        return e->parameter == parameter && (parameter != kAnimByName || e->property == property);
    });
}

bool vK_PropertyAnimation::Tick(float dt, vK_AnimationTarget& target, vK_AnimationModifiers& modifiers,
                                std::vector<vK_ScriptHandle>& handlers) {
    bool transform_changed = false, any_reported = false;
    const vK_AnimatedFields fields = target.AnimatedFields();
    // Absolute writes cannot add or remove animations, but the loop still goes by
    // index so that it stays in bounds whatever a target does.
    for (size_t i = 0; i < entries_.size(); ++i) {
        Entry* e = entries_[i].get();
        float values[vK_KeyTrack::kMaxValues] = {0, 0, 0};
        const vK_KeyTrack::Step step = e->track->Advance(dt, values);
        if (e->additive) {
            ApplyAdditive(e->parameter, values, modifiers);
        } else {
            ApplyAbsolute(e->property, e->parameter, values, target, fields);
        }
        if (IsTransformParameter(e->parameter) && e->parameter != kAnimNone) transform_changed = true;
        if (step != vK_KeyTrack::Step::kRunning) e->reported = any_reported = true;
    }
    // Most frames nothing wraps or ends: then there is nothing to report or remove.
    if (!any_reported) return transform_changed;
    for (const std::unique_ptr<Entry>& e : entries_) {
        if (!e->reported) continue;
        e->reported = false;
        if (!e->handler.IsEmpty()) handlers.push_back(e->handler.GetHandle());
    }
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [](const std::unique_ptr<Entry>& e) { return e->track->IsFinished(); }),
                   entries_.end());
    return transform_changed;
}
