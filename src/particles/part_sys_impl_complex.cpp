#include "particles/part_sys_impl_complex.h"

#include <tinyxml2.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <lua.hpp>

#include "core/frame_info.h"
#include "core/lua_random.h"
#include "core/random.h"
#include "data/data.h"
#include "files/live_counts.h"
#include "graphics/matrix.h"
#include "graphics/render.h"
#include "graphics/resource_manager.h"
#include "graphics/texture.h"
#include "graphics/vertex_list.h"
#include "scene/particle_system.h"
#include "scene/property_animation.h"

namespace {
// Registry key of the system that owns a state.
const char kSelfKey[] = "vk_partsys_self";
// The count hook fires every this many instructions.
constexpr int kHookEvery = 1000;
// A script text that does not compile is remembered as this reference.
constexpr int kBroken = -2;

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

float Number(lua_State* L, int index) { return static_cast<float>(lua_tonumber(L, index)); }

// The animation parameter of a script's property index; numbers that are no index
// (negative, NaN, huge) select nothing.
int ParameterAt(lua_State* L, int index) {
    const double v = lua_tonumber(L, index);
    return vK_PartSysImpl_Complex::ScriptParameter(v >= 0.0 && v < 1000.0 ? static_cast<int>(v) : -1);
}

// A particle's channels in the order of vK_AnimChannel (const for a const particle).
template <class P>
auto ChannelsOf(P& p) {
    return std::array<decltype(&p.pos_x), kChannelCount>{&p.pos_x, &p.pos_y, &p.scale_x, &p.scale_y, &p.angle,
                                                         &p.alpha, &p.red,   &p.green,   &p.blue};
}

// Sets a global without metamethods, so a script's metatable on _G cannot raise here.
void RawSetGlobalNumber(lua_State* L, const char* name, double value) {
    lua_pushstring(L, name);
    lua_pushnumber(L, value);
    lua_rawset(L, LUA_GLOBALSINDEX);
}

void RawSetGlobalFunction(lua_State* L, const char* name, lua_CFunction fn) {
    lua_pushstring(L, name);
    lua_pushcfunction(L, fn);
    lua_rawset(L, LUA_GLOBALSINDEX);
}

// Pushes one value for data (nil for what Lua cannot hold); depth-limited.
void PushData(lua_State* L, const vK_Data* data, int depth) {
    if (!lua_checkstack(L, 4)) return;
    if (!data || depth > 64) {
        lua_pushnil(L);
        return;
    }
    switch (data->GetTag()) {
        case vK_Data::kBool:
            lua_pushboolean(L, data->GetBool() ? 1 : 0);
            return;
        case vK_Data::kString: {
            const std::string text = data->ToString();
            lua_pushlstring(L, text.data(), text.size());
            return;
        }
        case vK_Data::kArray: {
            const vK_DataArray* array = data->AsArray();
            lua_createtable(L, static_cast<int>(array->Size()), 0);
            int i = 1;
            for (const vK_Data* item : *array) {
                PushData(L, item, depth + 1);
                lua_rawseti(L, -2, i++);
            }
            return;
        }
        case vK_Data::kTable: {
            lua_newtable(L);
            for (const auto& [key, value] : *data->AsTable()) {
                lua_pushlstring(L, key.data(), key.size());
                PushData(L, value, depth + 1);
                lua_rawset(L, -3);
            }
            return;
        }
        default:
            if (data->IsNumber()) {
                lua_pushnumber(L, data->GetDouble());
            } else {
                lua_pushnil(L);
            }
    }
}

std::string ChildText(const tinyxml2::XMLElement& e, const char* name) {
    const tinyxml2::XMLElement* child = e.FirstChildElement(name);
    const char* text = child ? child->GetText() : nullptr;
    return text ? text : "";
}
}  // namespace

// ---- particles ----------------------------------------------------------------------------

void vK_PartSysImpl_Complex::Particle::Set(int parameter, float value) {
    if (AnimParameterStride(parameter) != 3) return;
    if (parameter >= kAnimAlpha && parameter <= kAnimColorB) value = Clamp01(value);
    WriteAnimatedValues(parameter, &value, ChannelsOf(*this));
}

float vK_PartSysImpl_Complex::Particle::Get(int parameter) const {
    float value = 0.0f;
    if (AnimParameterStride(parameter) == 3) ReadAnimatedValues(parameter, ChannelsOf(*this), &value);
    return value;
}

int vK_PartSysImpl_Complex::ScriptParameter(int index) {
    static constexpr int kParameters[kScriptPropertyCount] = {
        kAnimPosX,  kAnimPosY,  kAnimNone,   kAnimScaleX, kAnimScaleY,
        kAnimAngle, kAnimAlpha, kAnimColorR, kAnimColorG, kAnimColorB};
    return index >= 0 && index < kScriptPropertyCount ? kParameters[index] : kAnimNone;
}

// ---- loading ----------------------------------------------------------------------------

vK_PartSysImpl_Complex::vK_PartSysImpl_Complex() = default;

vK_PartSysImpl_Complex::~vK_PartSysImpl_Complex() {
    CloseState();
    vK_PartSysImpl_Complex::ReleaseTextures();
}

bool vK_PartSysImpl_Complex::LoadBinary(vK_ByteReader&) { return false; }

bool vK_PartSysImpl_Complex::LoadXml(const tinyxml2::XMLElement& root) {
    types_.clear();
    if (const tinyxml2::XMLElement* emit = root.FirstChildElement("emit")) {
        for (const tinyxml2::XMLElement* t = emit->FirstChildElement(); t; t = t->NextSiblingElement()) {
            EmitterType type;
            type.name = t->Name();
            const char* res = t->Attribute("res");
            type.texture_name = res ? res : "";
            type.born = ChildText(*t, "bornpart");
            type.die = ChildText(*t, "diepart");
            type.process = ChildText(*t, "process");
            type.process_part = ChildText(*t, "processpart");
            types_.push_back(std::move(type));
        }
    }
    systemScript_ = ChildText(root, "process");
    return true;
}

int vK_PartSysImpl_Complex::ReadBlendComment(const tinyxml2::XMLDocument& document) {
    const tinyxml2::XMLNode* first = document.FirstChild();
    const tinyxml2::XMLComment* comment = first ? first->ToComment() : nullptr;
    int blend = 0;
    if (!comment || !comment->Value() || std::sscanf(comment->Value(), " Blend: %d", &blend) != 1) return 0;
    return blend;
}

void vK_PartSysImpl_Complex::AcquireTextures() {
    vK_ResourceManager* resources = vK_ResourceManager::Instance();
    if (!resources) return;
    for (EmitterType& type : types_) {
        if (!type.texture_name.empty()) type.texture = resources->GetTexture(type.texture_name);
    }
}

void vK_PartSysImpl_Complex::ReleaseTextures() {
    for (EmitterType& type : types_) type.texture.reset();
}

// ---- the script state ------------------------------------------------------------------

void vK_PartSysImpl_Complex::OpenState() {
    lua_ = luaL_newstate();
    if (!lua_) return;
    vK_LiveCounts::Add(vK_LiveKind::LuaState);
    luaL_openlibs(lua_);
    lua_getfield(lua_, LUA_GLOBALSINDEX, "math");
    if (lua_istable(lua_, -1)) {
        lua_pushcfunction(lua_, &vK_LuaRandom::Random);
        lua_setfield(lua_, -2, "random");
        lua_pushcfunction(lua_, &vK_LuaRandom::Seed);
        lua_setfield(lua_, -2, "randomseed");
    }
    lua_pop(lua_, 1);
    lua_pushlightuserdata(lua_, this);
    lua_setfield(lua_, LUA_REGISTRYINDEX, kSelfKey);
    lua_pushstring(lua_, "pointer");
    lua_pushlightuserdata(lua_, this);
    lua_rawset(lua_, LUA_GLOBALSINDEX);
    static const char* const kProperties[] = {"vk_pos_x",   "vk_pos_y",  "vk_pos_z", "vk_scale_x",
                                              "vk_scale_y", "vk_angle",  "vk_alpha", "vk_color_r",
                                              "vk_color_g", "vk_color_b"};
    for (int i = 0; i < kScriptPropertyCount; ++i) RawSetGlobalNumber(lua_, kProperties[i], i);
    RawSetGlobalNumber(lua_, "ps_state", 0);
    RawSetGlobalNumber(lua_, "ps_dt", 0);
    RawSetGlobalFunction(lua_, "CreateEmitter", &L_CreateEmitter);
    RawSetGlobalFunction(lua_, "CreateParticles", &L_CreateParticles);
    RawSetGlobalFunction(lua_, "DieAfter", &L_DieAfter);
    RawSetGlobalFunction(lua_, "Random", &L_Random);
    RawSetGlobalFunction(lua_, "Animate", &L_Animate);
    RawSetGlobalFunction(lua_, "DeleteMe", &L_DeleteMe);
    RawSetGlobalFunction(lua_, "ObjGet", &L_ObjGet);
    RawSetGlobalFunction(lua_, "GetPosFromMask", &L_GetPosFromMask);
    RawSetGlobalFunction(lua_, "SetProperty", &L_SetProperty);
    RawSetGlobalFunction(lua_, "SetIndependent", &L_SetIndependent);
    RawSetGlobalFunction(lua_, "GetProperty", &L_GetProperty);
    lua_sethook(lua_, &CountHook, LUA_MASKCOUNT, kHookEvery);
}

void vK_PartSysImpl_Complex::CloseState() {
    if (lua_) {
        lua_close(lua_);
        vK_LiveCounts::Remove(vK_LiveKind::LuaState);
        for (const auto& [text, ref] : compiled_)
            if (ref != kBroken) vK_LiveCounts::Remove(vK_LiveKind::LuaRef);
    }
    lua_ = nullptr;
    compiled_.clear();
    emitters_.clear();
    particles_.clear();
    currentEmitter_ = -1;
    currentParticle_ = nullptr;
}

vK_PartSysImpl_Complex* vK_PartSysImpl_Complex::Self(lua_State* L) {
    lua_getfield(L, LUA_REGISTRYINDEX, kSelfKey);
    auto* self = static_cast<vK_PartSysImpl_Complex*>(lua_touserdata(L, -1));
    lua_pop(L, 1);
    return self;
}

void vK_PartSysImpl_Complex::CountHook(lua_State* L, lua_Debug*) {
    vK_PartSysImpl_Complex* self = Self(L);
    if (!self) return;
    self->budget_ -= kHookEvery;
    // Raised inside the running script's protected call; no C++ frame is crossed.
    if (self->budget_ <= 0) luaL_error(L, "particle script ran too long");
}

void vK_PartSysImpl_Complex::RunScript(const std::string& text) {
    if (text.empty() || !lua_ || nesting_ >= kMaxNesting || !lua_checkstack(lua_, 4)) return;
    auto found = compiled_.find(text);
    int ref = kBroken;
    if (found != compiled_.end()) {
        ref = found->second;
    } else {
        if (luaL_loadbuffer(lua_, text.data(), text.size(), text.c_str()) == 0) {
            ref = luaL_ref(lua_, LUA_REGISTRYINDEX);
            if (ref != kBroken) vK_LiveCounts::Add(vK_LiveKind::LuaRef);
        } else {
            lua_pop(lua_, 1);  // the message: errors are not reported
        }
        compiled_.emplace(text, ref);
    }
    if (ref == kBroken) return;
    if (nesting_ == 0) budget_ = kInstructionBudget;
    lua_rawgeti(lua_, LUA_REGISTRYINDEX, ref);
    ++nesting_;
    if (lua_pcall(lua_, 0, 0, 0) != 0) lua_pop(lua_, 1);
    --nesting_;
}

// ---- running --------------------------------------------------------------------------------

void vK_PartSysImpl_Complex::Start() {
    if (playing_) return;
    // A state left by a stop without clearing goes too, with its emitters and
    // particles: a restart begins clean instead of running two sets of emitters.
    if (lua_) CloseState();
    systemState_ = 0;
    currentParticle_ = nullptr;
    currentEmitter_ = -1;
    OpenState();
    playing_ = lua_ != nullptr;
}

void vK_PartSysImpl_Complex::Stop(bool clear) {
    if (!playing_ && !(clear && lua_)) return;
    playing_ = false;
    if (clear) CloseState();
}

void vK_PartSysImpl_Complex::Update(const vK_FrameInfo& frame) {
    if (paused_ || !lua_) return;
    const float dt = frame.dt;
    RawSetGlobalNumber(lua_, "ps_state", systemState_);
    RawSetGlobalNumber(lua_, "ps_dt", dt);
    if (playing_) {
        RunScript(systemScript_);
        if (!lua_) return;
        lua_pushstring(lua_, "ps_state");
        lua_rawget(lua_, LUA_GLOBALSINDEX);
        const double state = lua_tonumber(lua_, -1);
        lua_pop(lua_, 1);
        systemState_ = std::isfinite(state) && std::fabs(state) < 2.0e9 ? static_cast<int>(state) : 0;
        for (size_t i = 0; i < emitters_.size();) {
            currentEmitter_ = static_cast<int>(i);
            const int type = emitters_[i].type;
            if (type >= 0 && static_cast<size_t>(type) < types_.size()) RunScript(types_[type].process);
            if (emitters_[i].remove) {
                emitters_.erase(emitters_.begin() + static_cast<std::ptrdiff_t>(i));
            } else {
                ++i;
            }
        }
        // Outside its own script no emitter is current, so a later CreateParticles or
        // DeleteMe cannot reach whichever emitter moved into a stale index.
        currentEmitter_ = -1;
    }
    size_t kept = 0;
    for (size_t i = 0; i < particles_.size(); ++i) {
        Particle* p = particles_[i].get();
        p->age += dt;
        const float percent = p->age * 100.0f / p->lifetime;
        const EmitterType* type =
            p->type >= 0 && static_cast<size_t>(p->type) < types_.size() ? &types_[p->type] : nullptr;
        if (percent >= 100.0f || !(p->lifetime > 0.0f)) {
            currentParticle_ = nullptr;
            if (type) RunScript(type->die);
            continue;  // not kept: destroyed when the list is cut below
        }
        for (Track& track : p->tracks) AdvanceTrack(*p, track, percent);
        if (type && !type->process_part.empty()) {
            currentParticle_ = p;
            RunScript(type->process_part);
            currentParticle_ = nullptr;
        }
        if (kept != i) std::swap(particles_[kept], particles_[i]);
        ++kept;
    }
    particles_.resize(kept);
}

void vK_PartSysImpl_Complex::AdvanceTrack(Particle& p, Track& track, float percent) {
    const int pairs = static_cast<int>(track.keys.size() / 2);
    if (pairs == 0) return;
    const float* k = track.keys.data();
    // One key holds its value; two keys are needed to interpolate.
    if (pairs == 1) {
        p.Set(track.parameter, k[1]);
        return;
    }
    if (track.key < 0 || track.key > pairs - 2) track.key = 0;
    if (track.key + 1 <= pairs - 2 && percent >= k[2 * (track.key + 1)]) ++track.key;
    const float p0 = k[2 * track.key], v0 = k[2 * track.key + 1];
    const float p1 = k[2 * track.key + 2], v1 = k[2 * track.key + 3];
    const float span = std::fabs(p1 - p0);
    // Two keys at one percentage jump to the second value instead of dividing by zero.
    const float value = span > 0.0f ? v0 + (v1 - v0) * (percent - p0) / span : v1;
    p.Set(track.parameter, value);
}

void vK_PartSysImpl_Complex::CreateParticles(float n) {
    if (currentEmitter_ < 0 || static_cast<size_t>(currentEmitter_) >= emitters_.size()) return;
    const int index = currentEmitter_;
    float& acc = emitters_[index].accumulator;
    if (std::isfinite(n)) acc += n;
    if (!(acc < kMaxBurst)) acc = acc >= kMaxBurst ? static_cast<float>(kMaxBurst) : 0.0f;
    while (emitters_[index].accumulator >= 1.0f) {
        emitters_[index].accumulator -= 1.0f;
        if (particles_.size() >= kMaxParticles) continue;
        auto particle = std::make_unique<Particle>();
        Particle* previous = currentParticle_;
        currentParticle_ = particle.get();
        const int type = emitters_[index].type;
        if (type >= 0 && static_cast<size_t>(type) < types_.size()) RunScript(types_[type].born);
        if (!lua_ || static_cast<size_t>(index) >= emitters_.size()) return;
        // The born script may have created emitters: read the emitter again.
        const Emitter& e = emitters_[index];
        particle->type = e.type;
        particle->base_x = e.x;
        particle->base_y = e.y;
        particle->base_z = e.z;
        if (particle->independent) {
            if (vK_ParticleSystem* owner = GetOwner()) {
                particle->base_x += owner->GetX();
                particle->base_y += owner->GetY();
            }
        }
        particles_.push_back(std::move(particle));
        currentParticle_ = previous;
    }
}

void vK_PartSysImpl_Complex::Draw(vK_Render& render, const vK_DrawParams& state) {
    if (types_.empty() || !types_[0].texture || particles_.empty()) return;
    const std::shared_ptr<vK_Texture>& texture = types_[0].texture;
    const vK_Rect rect = texture->GetRect(state.frame);
    const vK_Rect uv = texture->GetUV(state.frame);
    vK_VertexList list;
    list.Reserve(particles_.size() * 6 * vK_VertexList::kFloatsPerVertex);
    for (const auto& p : particles_) {
        float m[4];
        ScaleRotate(p->scale_x, p->scale_y, p->angle, m);
        float ox = p->base_x + p->pos_x, oy = p->base_y + p->pos_y;
        if (p->independent) {
            ox *= state.matrix.At(1, 1);
            oy *= state.matrix.At(2, 2);
        }
        AppendQuad(list, rect, uv, m, ox, oy, &state.matrix, p->red * state.red, p->green * state.green,
                   p->blue * state.blue, p->alpha * state.alpha);
    }
    render.AddVertices(texture, list, state.State());
}

// ---- script functions ------------------------------------------------------------------
// They read their arguments with the non-raising conversions (a string that is no
// number counts as 0) and raise nothing, so no Lua error starts in a C++ frame.

int vK_PartSysImpl_Complex::L_CreateEmitter(lua_State* L) {
    vK_PartSysImpl_Complex* self = Self(L);
    if (!self || self->types_.empty()) return 0;
    const char* name = lua_tostring(L, 1);
    Emitter e;
    for (size_t i = 0; name && i < self->types_.size(); ++i) {
        if (self->types_[i].name == name) {
            e.type = static_cast<int>(i);
            break;
        }
    }
    e.x = Number(L, 2);
    e.y = Number(L, 3);
    if (self->currentParticle_) {
        e.x += self->currentParticle_->pos_x;
        e.y += self->currentParticle_->pos_y;
    }
    if (self->emitters_.size() < kMaxParticles) self->emitters_.push_back(e);
    return 0;
}

int vK_PartSysImpl_Complex::L_CreateParticles(lua_State* L) {
    if (vK_PartSysImpl_Complex* self = Self(L)) self->CreateParticles(Number(L, 1));
    return 0;
}

int vK_PartSysImpl_Complex::L_DieAfter(lua_State* L) {
    vK_PartSysImpl_Complex* self = Self(L);
    if (self && self->currentParticle_) self->currentParticle_->lifetime = Number(L, 1);
    return 0;
}

int vK_PartSysImpl_Complex::L_Random(lua_State* L) {
    const double lo = lua_tonumber(L, 1), hi = lua_tonumber(L, 2);
    const double r = static_cast<double>(vK_Random::Next() % 10000);
    lua_pushnumber(L, lo + r * (hi - lo) / 10000.0);
    return 1;
}

int vK_PartSysImpl_Complex::L_Animate(lua_State* L) {
    vK_PartSysImpl_Complex* self = Self(L);
    if (!self || !self->currentParticle_ || !lua_istable(L, 2)) return 0;
    Track track;
    track.parameter = ParameterAt(L, 1);
    for (int i = 1; i <= kMaxKeys * 2; ++i) {
        lua_rawgeti(L, 2, i);
        const bool number = lua_isnumber(L, -1) != 0;
        const float value = Number(L, -1);
        lua_pop(L, 1);
        if (!number) break;
        track.keys.push_back(value);
    }
    track.keys.resize(track.keys.size() / 2 * 2);
    if (!track.keys.empty()) self->currentParticle_->tracks.push_back(std::move(track));
    return 0;
}

int vK_PartSysImpl_Complex::L_DeleteMe(lua_State* L) {
    vK_PartSysImpl_Complex* self = Self(L);
    if (!self || self->currentEmitter_ < 0 ||
        static_cast<size_t>(self->currentEmitter_) >= self->emitters_.size())
        return 0;
    self->emitters_[self->currentEmitter_].remove = true;
    return 0;
}

int vK_PartSysImpl_Complex::L_ObjGet(lua_State* L) {
    vK_PartSysImpl_Complex* self = Self(L);
    vK_DataTable table;
    if (self && self->GetOwner()) self->GetOwner()->GetProperties(table, true);
    PushData(L, &table, 0);
    return 1;
}

int vK_PartSysImpl_Complex::L_GetPosFromMask(lua_State* L) {
    vK_PartSysImpl_Complex* self = Self(L);
    float x = 0, y = 0;
    vK_Object* mask = self ? self->GetMaskObject() : nullptr;
    std::shared_ptr<vK_Texture> texture =
        mask ? std::dynamic_pointer_cast<vK_Texture>(mask->GetResource()) : nullptr;
    if (texture && SampleMask(*texture, 0, x, y)) {
        const float lx = x, ly = y;
        mask->GetWorldMatrix().Transform(lx, ly, x, y);
    }
    lua_createtable(L, 0, 2);
    lua_pushnumber(L, x);
    lua_setfield(L, -2, "x");
    lua_pushnumber(L, y);
    lua_setfield(L, -2, "y");
    return 1;
}

int vK_PartSysImpl_Complex::L_SetProperty(lua_State* L) {
    vK_PartSysImpl_Complex* self = Self(L);
    if (!self || !self->currentParticle_) return 0;
    if (lua_type(L, 1) == LUA_TNUMBER) {
        self->currentParticle_->Set(ParameterAt(L, 1), Number(L, 2));
    } else if (const char* key = lua_tostring(L, 1)) {
        self->currentParticle_->custom[key] = Number(L, 2);
    }
    return 0;
}

int vK_PartSysImpl_Complex::L_SetIndependent(lua_State* L) {
    vK_PartSysImpl_Complex* self = Self(L);
    if (self && self->currentParticle_) self->currentParticle_->independent = true;
    return 0;
}

int vK_PartSysImpl_Complex::L_GetProperty(lua_State* L) {
    vK_PartSysImpl_Complex* self = Self(L);
    float value = 0;
    if (self && self->currentParticle_) {
        const Particle& p = *self->currentParticle_;
        if (lua_type(L, 1) == LUA_TNUMBER) {
            value = p.Get(ParameterAt(L, 1));
        } else if (const char* key = lua_tostring(L, 1)) {
            auto found = p.custom.find(key);
            if (found != p.custom.end()) value = found->second;
        }
    }
    lua_pushnumber(L, value);
    return 1;
}
