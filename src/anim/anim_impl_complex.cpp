// Complex animation playback: loading, properties, instances and curve evaluation.
// Composition, drawing, textures and particle control are in anim_impl_complex_draw.cpp.
#include "anim/anim_impl_complex.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "anim/anim_impl_frame.h"
#include "data/data.h"
#include "files/byte_buffer.h"
#include "files/byte_reader.h"
#include "graphics/matrix.h"
#include "graphics/resource_manager.h"
#include "particles/part_sys_impl_rnd.h"
#include "scene/object.h"
#include "scene/property_animation.h"
#include "scene/text.h"

// Line codes share the property animations' numbers for the values both animate.
static_assert(vK_AnimParam::kPosX == kAnimPosX && vK_AnimParam::kPosY == kAnimPosY &&
              vK_AnimParam::kScaleX == kAnimScaleX && vK_AnimParam::kScaleY == kAnimScaleY &&
              vK_AnimParam::kAngle == kAnimAngle && vK_AnimParam::kAlpha == kAnimAlpha &&
              vK_AnimParam::kRed == kAnimColorR && vK_AnimParam::kGreen == kAnimColorG &&
              vK_AnimParam::kBlue == kAnimColorB);

namespace {

float Interpolate(int mode, float a, float b, float s, const SFrame& from, const SFrame& to) {
    switch (mode) {
        case 1:
            return a + (b - a) * (std::sin(s * kPi / 2 - kPi / 2) + 1);
        case 2:
            return a + (b - a) * std::sin(s * kPi / 2);
        case 3:
            return a + (b - a) * (std::sin(s * kPi - kPi / 2) + 1) / 2;
        case 4: {
            const float r = 1 - s;
            return r * r * r * a + 3 * r * r * s * from.fm_v + 3 * r * s * s * to.bm_v + s * s * s * b;
        }
        default:
            return a + (b - a) * s;
    }
}

// Grid vertices know no Bezier mode: 4 is linear like any other unknown mode.
float InterpolateGrid(int mode, float a, float b, float s) {
    if (a == b) return a;
    if (mode >= 1 && mode <= 3) {
        SFrame none;
        return Interpolate(mode, a, b, s, none, none);
    }
    return a + (b - a) * s;
}

std::string CacheName(const vK_Object* owner) {
    return (owner ? owner->GetResourceName() : std::string()) + vK_AnimImpl_Frame::kCacheSuffix;
}

}  // namespace

vK_AnimImpl_Complex::Instance::Instance() = default;
vK_AnimImpl_Complex::Instance::~Instance() = default;

vK_Object* vK_AnimImpl_Complex::Instance::Attached() const {
    std::shared_ptr<vK_Object*> handle = attachedRef.lock();
    return handle && *handle ? attached : nullptr;
}

vK_AnimImpl_Complex::vK_AnimImpl_Complex() = default;
vK_AnimImpl_Complex::~vK_AnimImpl_Complex() = default;

// ---- loading ------------------------------------------------------------------------------

void vK_AnimImpl_Complex::SetResource(const std::shared_ptr<vK_Resource>& resource) {
    auto res = std::dynamic_pointer_cast<vK_ComplexAnimRes>(resource);
    if (!res) return;
    resource_ = std::move(res);
    instanceName_.clear();
    BuildInstance();
}

bool vK_AnimImpl_Complex::LoadBinary(vK_ByteReader& reader) {
    vK_ResourceManager* resources = vK_ResourceManager::Instance();
    const std::string name = CacheName(owner_);
    if (resources) {
        if (auto cached = std::dynamic_pointer_cast<vK_ComplexAnimRes>(resources->FindResource(name))) {
            SetResource(cached);
            return true;
        }
    }
    auto res = std::make_shared<vK_ComplexAnimRes>();
    res->SetName(name);
    if (!res->ReadBinary(reader)) return false;
    SetResource(resources ? resources->AddResource(name, res) : res);
    return resource_ != nullptr;
}

void vK_AnimImpl_Complex::LoadXml(const tinyxml2::XMLDocument& document) {
    vK_ResourceManager* resources = vK_ResourceManager::Instance();
    const std::string name = CacheName(owner_);
    if (resources) {
        if (auto cached = std::dynamic_pointer_cast<vK_ComplexAnimRes>(resources->FindResource(name))) {
            SetResource(cached);
            return;
        }
    }
    auto res = std::make_shared<vK_ComplexAnimRes>();
    res->SetName(name);
    res->ParseXml(document);
    SetResource(resources ? resources->AddResource(name, res) : res);
}

// ---- properties -----------------------------------------------------------------------------

void vK_AnimImpl_Complex::SetProperties(const vK_DataTable& table) {
    vK_AnimImpl::SetProperties(table);
    int32_t frame = 0;
    if (table.GetInt("frame", frame)) time_ = static_cast<float>(frame) / 60.0f;
    if (resource_) {
        bool keysChanged = false;
        for (const std::string& tag : resource_->frameTags) {
            const vK_Data* value = table.Get(tag);
            if (value == nullptr) continue;
            if (value->GetTag() == vK_Data::kString) {
                textOverrides_[tag] = value->ToString();
                keysChanged = true;
            } else if (value->IsNumber()) {
                numericOverrides_[tag] = value->GetFloat();
                keysChanged = true;
            }
        }
        // Grid vertices: "grid_" + name + "_" + vertex index + "_" + coordinate letter.
        for (const std::string& tag : resource_->frameTags) {
            if (tag.rfind("grid_", 0) != 0) continue;
            const std::string prefix = tag + "_";
            for (auto it = table.begin(); it != table.end(); ++it) {
                if (it->first.compare(0, prefix.size(), prefix) != 0 || !it->second ||
                    !it->second->IsNumber())
                    continue;
                int vertex = -1;
                char axis = 0;
                if (std::sscanf(it->first.c_str() + prefix.size(), "%d_%c", &vertex, &axis) != 2 ||
                    vertex < 0)
                    continue;
                gridOverrides_[GridOverride{tag, vertex, axis}] = it->second->GetFloat();
                keysChanged = true;
            }
        }
        if (keysChanged && instanceFn_) ApplyOverrides(*instanceFn_);
        for (const std::string& resTag : resource_->objectNames) {
            if (resTag.empty()) continue;
            const vK_Data* value = table.Get(resTag);
            if (value == nullptr || value->GetTag() != vK_Data::kString) continue;
            textureOverrides_[resTag] = value->ToString();
            if (!texturesAcquired_) continue;
            ForEach([&](Instance& o) {
                if (o.data->resourceTag == resTag) ResolveTexture(o);
            });
        }
    }
    if (!playing_) EvaluateAndCompose(time_, 0.0f);
}

void vK_AnimImpl_Complex::GetProperties(vK_DataTable& table) const {
    vK_AnimImpl::GetProperties(table);
    table.SetInt("frame", static_cast<int32_t>(time_ * 60.0f));
    if (!resource_) return;
    for (const std::string& tag : resource_->frameTags) {
        auto number = numericOverrides_.find(tag);
        if (number != numericOverrides_.end()) {
            table.SetFloat(tag, number->second);
            continue;
        }
        auto text = textOverrides_.find(tag);
        if (text != textOverrides_.end()) table.SetString(tag, text->second);
    }
    for (const auto& [resTag, name] : textureOverrides_) table.SetString(resTag, name);
}

void vK_AnimImpl_Complex::ApplyOverrides(SFunction& function) const {
    for (auto& [index, fo] : function.objects) {
        for (SAnimLine& line : fo.lines) {
            for (SFrame& f : line.frames) {
                if (f.tag.empty()) continue;
                auto number = numericOverrides_.find(f.tag);
                if (number != numericOverrides_.end()) {
                    f.v = number->second;
                    f.tagValue = number->second;
                }
                auto text = textOverrides_.find(f.tag);
                if (text != textOverrides_.end()) f.text = text->second;
            }
        }
    }
    for (const auto& [key, value] : gridOverrides_)
        ApplyGridOverride(key.tag, key.vertex, key.axis, value, function);
}

void vK_AnimImpl_Complex::ApplyGridOverride(const std::string& tag, int vertex, char axis, float value,
                                            SFunction& function) const {
    for (auto& [index, fo] : function.objects) {
        for (SAnimLine& line : fo.lines) {
            if (line.code != vK_AnimParam::kGrid) continue;
            for (SFrame& f : line.frames) {
                // The index comes from a script: only vertices that exist are changed.
                if (f.tag != tag || vertex < 0 || vertex >= static_cast<int>(f.vertices.size())) continue;
                SVertex& v = f.vertices[static_cast<size_t>(vertex)];
                if (axis == 'x') v.x = value;
                if (axis == 'y') v.y = value;
                if (axis == 'u') v.u = value;
                if (axis == 'v') v.v = value;
            }
        }
    }
}

// ---- playing ----------------------------------------------------------------------------------

void vK_AnimImpl_Complex::Play(const std::string& function, const vK_DataScriptFunction& endTrigger) {
    vK_AnimImpl::Play(function, endTrigger);
    if (function != instanceName_ || !instanceFn_) {
        instanceName_ = function;
        BuildInstance();
    }
    if (!instanceFn_) {
        if (resource_) WarnUndefinedFunction(function, "");
        return;
    }
    time_ = 0;
    for (auto& [index, fo] : instanceFn_->objects) {
        for (SAnimLine& line : fo.lines) line.loopOffset = 0;
    }
    PlayRestart();
    EvaluateAndCompose(0.0f, 0.0f);
}

void vK_AnimImpl_Complex::Stop() {
    playing_ = false;
    StopAll();
    time_ = 0;
    EvaluateAndCompose(0.0f, 0.0f);
}

void vK_AnimImpl_Complex::Pause(bool pause) {
    playing_ = !pause;
    ForEach([pause](Instance& o) {
        o.particleStarted = false;
        if (o.particles) o.particles->Pause(pause);
    });
}

void vK_AnimImpl_Complex::Update(float dt) {
    if (!instanceFn_ || !playing_ || GetFunctionName().empty()) return;
    time_ += dt;
    if (time_ >= instanceFn_->length) {
        if (!instanceFn_->loop) {
            playing_ = false;
            time_ = instanceFn_->length;
            QueueEndTrigger();
        } else {
            time_ = instanceFn_->length > 0 ? std::fmod(time_, instanceFn_->length) : 0.0f;
            for (auto& [index, fo] : instanceFn_->objects) {
                for (SAnimLine& line : fo.lines) line.loopOffset = 0;
                auto found = byIndex_.find(index);
                if (found != byIndex_.end()) LoopRestart(*found->second);
            }
        }
    }
    EvaluateAndCompose(time_, dt);
}

// ---- instances ---------------------------------------------------------------------------------

void vK_AnimImpl_Complex::BuildInstance() {
    if (texturesAcquired_) {
        for (auto& o : instances_) ReleaseObject(*o);
    }
    instances_.clear();
    byIndex_.clear();
    instanceFn_.reset();
    const SFunction* source = resource_ ? resource_->FindFunction(instanceName_) : nullptr;
    if (source == nullptr) return;
    instanceFn_ = std::make_unique<SFunction>(*source);
    ApplyOverrides(*instanceFn_);
    // The function animates top-level objects; their children come along. Drawing
    // follows the file's order.
    for (const auto& top : resource_->objects) {
        if (instanceFn_->objects.count(top->index) == 0) continue;
        instances_.push_back(CopyObject(*top, nullptr));
    }
    if (texturesAcquired_) {
        for (auto& o : instances_) AcquireObject(*o);
    }
    RefreshAttachments();
}

std::unique_ptr<vK_AnimImpl_Complex::Instance> vK_AnimImpl_Complex::CopyObject(const SAnimObject& data,
                                                                               Instance* parent) {
    auto o = std::make_unique<Instance>();
    o->data = &data;
    o->parent = parent;
    if (data.particles) {
        auto system = std::make_unique<vK_PartSysImpl_Rnd>(true);
        bool loaded = false;
        if (!data.particles->binary.empty()) {
            vK_ByteBuffer buffer;
            buffer.Assign(data.particles->binary);
            vK_ByteReader reader(&buffer, 11);
            system->SetResourceGroup(&resource_->resourceGroup);
            loaded = system->LoadBinary(reader);
        } else {
            tinyxml2::XMLDocument document;
            if (document.Parse(data.particles->xml.c_str()) == tinyxml2::XML_SUCCESS &&
                document.RootElement())
                loaded = system->LoadXml(*document.RootElement());
        }
        if (loaded) o->particles = std::move(system);
    }
    if (data.text) {
        o->text = std::make_unique<vK_Text>();
        o->text->SetResourceName("assets/fonts/" + data.text->font);
        o->text->SetStyle(data.text->style);
        if (data.text->maxWidth > 0) o->text->SetMaxWidth(data.text->maxWidth);
    }
    byIndex_[data.index] = o.get();
    for (const auto& child : data.children) o->children.push_back(CopyObject(*child, o.get()));
    return o;
}

const vK_AnimImpl_Complex::Instance* vK_AnimImpl_Complex::FindInstance(int index) const {
    auto found = byIndex_.find(index);
    return found == byIndex_.end() ? nullptr : found->second;
}

void vK_AnimImpl_Complex::ForEach(const std::function<void(Instance&)>& visit) {
    std::function<void(Instance&)> walk = [&](Instance& o) {
        visit(o);
        for (auto& child : o.children) walk(*child);
    };
    for (auto& o : instances_) walk(*o);
}

// ---- evaluation ----------------------------------------------------------------------------------

void vK_AnimImpl_Complex::ResetObject(Instance& o) {
    const SAnimObject& d = *o.data;
    if (o.basePending) {
        o.base = vK_DrawParams();
        o.base.frame = d.frame;
        o.base.blend = d.blend;
        o.base.key = d.blur;
        o.base.offsetX = d.drawOffX;
        o.base.offsetY = d.drawOffY;
        if (d.posX != 0 || d.posY != 0) o.base.matrix = vK_Matrix::Translation(d.posX, d.posY);
        o.basePending = false;
    }
    o.current = o.base;
    o.posX = o.posY = 0;
    o.scaleX = o.scaleY = 1;
    o.angle = 0;
    o.animated = false;
    o.particleStarted = false;
}

void vK_AnimImpl_Complex::Evaluate(float t) {
    ForEach([this](Instance& o) { ResetObject(o); });
    if (!instanceFn_) return;
    for (auto& [index, fo] : instanceFn_->objects) {
        auto found = byIndex_.find(index);
        if (found == byIndex_.end()) continue;
        Instance& o = *found->second;
        bool ended = false;
        for (SAnimLine& line : fo.lines) {
            if (line.frames.empty()) continue;
            const float v = t - line.loopOffset;
            int d = -1;
            for (size_t i = 0; i < line.frames.size() && line.frames[i].t <= v; ++i) d = static_cast<int>(i);
            if (d < 0) continue;
            const SFrame& last = line.frames.back();
            if (v > last.t) {
                if (line.loop) {
                    line.loopOffset += last.t - line.frames[static_cast<size_t>(line.loopFrame)].t;
                } else {
                    ended = true;
                }
            }
            const SFrame& from = line.frames[static_cast<size_t>(d)];
            const bool hasNext = d + 1 < static_cast<int>(line.frames.size());
            const SFrame* to = hasNext ? &line.frames[static_cast<size_t>(d) + 1] : nullptr;
            const float span = to ? to->t - from.t : 0.0f;
            const float s = to && span > 0 ? std::clamp((v - from.t) / span, 0.0f, 1.0f) : 0.0f;
            if (line.code == vK_AnimParam::kText) {
                if (o.text) o.text->SetText(from.text);
            } else if (line.code == vK_AnimParam::kGrid) {
                if (!to) {
                    o.grid = from.vertices;
                } else {
                    // Frames may differ in vertex count: only the common vertices pair up.
                    const size_t n = std::min(from.vertices.size(), to->vertices.size());
                    o.grid.resize(n);
                    for (size_t i = 0; i < n; ++i) {
                        const SVertex& a = from.vertices[i];
                        const SVertex& b = to->vertices[i];
                        const int m = from.interpolation;
                        o.grid[i] = {InterpolateGrid(m, a.x, b.x, s), InterpolateGrid(m, a.y, b.y, s),
                                     InterpolateGrid(m, a.u, b.u, s), InterpolateGrid(m, a.v, b.v, s)};
                    }
                }
            } else {
                const float value =
                    to ? Interpolate(from.interpolation, from.v, to->v, s, from, *to) : from.v;
                // Lines animate one value each; their codes below the frame's are the
                // property animations' single-value parameters.
                const vK_AnimChannelFields fields = {&o.posX,        &o.posY,          &o.scaleX,
                                                     &o.scaleY,      &o.angle,         &o.current.alpha,
                                                     &o.current.red, &o.current.green, &o.current.blue};
                if (line.code == vK_AnimParam::kFrame) {
                    o.current.frame = static_cast<int>(std::clamp(value, -1.0e9f, 1.0e9f));
                } else if (AnimParameterStride(line.code) == 3) {
                    WriteAnimatedValues(line.code, &value, fields);
                }
            }
            o.animated = true;
            if (o.particles && d >= o.data->psFrameIndex) o.particleStarted = true;
        }
        o.ended = ended;
        if (ended && !o.data->processLoop) EndStop(o);
    }
}

void vK_AnimImpl_Complex::EvaluateAndCompose(float t, float dt) {
    Evaluate(t);
    const vK_DrawParams none;
    for (auto& o : instances_) Compose(*o, none, dt);
}

// ---- attached objects ------------------------------------------------------------------------------

void vK_AnimImpl_Complex::AttachTagged(const std::string& tag, vK_Object* child) {
    if (tag.empty() || child == nullptr) return;
    attachments_[tag] = Attachment{child, child->GetWeakRef()};
    RefreshAttachments();
}

void vK_AnimImpl_Complex::DetachTagged(const std::string& tag) {
    attachments_.erase(tag);
    RefreshAttachments();
}

void vK_AnimImpl_Complex::RefreshAttachments() {
    ForEach([this](Instance& o) {
        o.attached = nullptr;
        o.attachedRef.reset();
        if (o.data->animTag.empty()) return;
        auto found = attachments_.find(o.data->animTag);
        if (found == attachments_.end()) return;
        o.attached = found->second.object;
        o.attachedRef = found->second.ref;
    });
}

bool vK_AnimImpl_Complex::GetObjectMatrix(const std::string& name, vK_Matrix& matrix) const {
    std::function<const Instance*(const std::vector<std::unique_ptr<Instance>>&)> find =
        [&](const std::vector<std::unique_ptr<Instance>>& list) -> const Instance* {
        for (const auto& o : list) {
            if (o->data->animTag == name) return o.get();
            if (const Instance* found = find(o->children)) return found;
        }
        return nullptr;
    };
    const Instance* o = find(instances_);
    vK_Object* attached = o ? o->Attached() : nullptr;
    if (attached == nullptr) return false;
    vK_Matrix own;
    if (attached->GetScaleX() != 1 || attached->GetScaleY() != 1)
        own = own * vK_Matrix::Scale(attached->GetScaleX(), attached->GetScaleY());
    if (attached->GetAngle() != 0) own = own * vK_Matrix::Rotation(-attached->GetAngle());
    if (attached->GetX() != 0 || attached->GetY() != 0)
        own = own * vK_Matrix::Translation(attached->GetX(), attached->GetY());
    matrix = own * o->current.matrix;
    return true;
}
