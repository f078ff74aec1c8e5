#pragma once
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "particles/part_sys_impl.h"

struct lua_State;
struct lua_Debug;

namespace tinyxml2 {
class XMLDocument;
}

// The script-driven system ("complex"): the preset carries Lua scripts (a system
// script, and per emitter type a born, die, emitter and particle script) that create
// emitters and particles through a few functions of the system's own Lua state. The
// state is separate from the game's: it is created at Start, closed at Stop (clear),
// and its math.random draws from the engine's generator. Every script runs in
// protected mode with an instruction budget, and each text is compiled once.
class vK_PartSysImpl_Complex : public vK_PartSysImpl {
public:
    // Instructions one top-level script run (with the runs it causes) may take.
    static constexpr int kInstructionBudget = 2000000;
    // A born script that never calls DieAfter gets this lifetime (seconds).
    static constexpr float kDefaultLifetime = 1.0f;
    // Safety bounds besides the common ones (kMaxBurst: particles one CreateParticles
    // call makes; kMaxParticles: particles held): keys per track, nested script runs.
    static constexpr int kMaxKeys = 4096;
    static constexpr int kMaxNesting = 8;

    // The property indices scripts pass to Animate, SetProperty and GetProperty (and
    // the globals vk_pos_x ... vk_color_b hold): 0 pos x, 1 pos y, 2 pos z, 3 scale x,
    // 4 scale y, 5 angle, 6 alpha, 7 red, 8 green, 9 blue. Presets' scripts carry these
    // numbers, so they stay; particles work with the animation parameters
    // (vK_AnimParameter), and ScriptParameter maps an index to its parameter: z, which
    // has no storage, and every other number to kAnimNone.
    static constexpr int kScriptPropertyCount = 10;
    static int ScriptParameter(int index);

    struct EmitterType {
        std::string name;
        std::string texture_name;
        std::shared_ptr<vK_Texture> texture;
        std::string born, die, process, process_part;
    };
    struct Emitter {
        int type = 0;
        float x = 0, y = 0, z = 0;
        float accumulator = 0;
        bool remove = false;
    };
    struct Track {
        int parameter = 0;  // vK_AnimParameter
        int key = 0;
        std::vector<float> keys;  // (percent, value) pairs
    };
    struct Particle {
        int type = 0;
        float base_x = 0, base_y = 0, base_z = 0;
        float lifetime = kDefaultLifetime;
        float age = 0;
        bool independent = false;
        float pos_x = 0, pos_y = 0, scale_x = 1, scale_y = 1, angle = 0;
        float alpha = 1, red = 1, green = 1, blue = 1;
        std::vector<Track> tracks;
        std::map<std::string, float> custom;
        // By animation parameter, of one value each (any other sets nothing and reads
        // 0); alpha and colours are clamped to 0..1.
        void Set(int parameter, float value);
        float Get(int parameter) const;
    };

    vK_PartSysImpl_Complex();
    ~vK_PartSysImpl_Complex() override;

    bool LoadBinary(vK_ByteReader& reader) override;
    bool LoadXml(const tinyxml2::XMLElement& root) override;
    void AcquireTextures() override;
    void ReleaseTextures() override;
    void Update(const vK_FrameInfo& frame) override;
    void Draw(vK_Render& render, const vK_DrawParams& state) override;
    void Start() override;
    void Stop(bool clear) override;
    int GetParticleCount() const override { return static_cast<int>(particles_.size()); }

    // The blend mode of a preset document: its first node is a comment " Blend: %d".
    static int ReadBlendComment(const tinyxml2::XMLDocument& document);

    const std::vector<EmitterType>& GetTypes() const { return types_; }
    const std::vector<Emitter>& GetEmitters() const { return emitters_; }
    const std::vector<std::unique_ptr<Particle>>& GetParticles() const { return particles_; }
    int GetSystemState() const { return systemState_; }
    bool HasScriptState() const { return lua_ != nullptr; }

private:
    void OpenState();
    void CloseState();
    void RunScript(const std::string& text);
    void CreateParticles(float n);
    static void AdvanceTrack(Particle& p, Track& track, float percent);

    static vK_PartSysImpl_Complex* Self(lua_State* L);
    static void CountHook(lua_State* L, lua_Debug* ar);
    static int L_CreateEmitter(lua_State* L);
    static int L_CreateParticles(lua_State* L);
    static int L_DieAfter(lua_State* L);
    static int L_Random(lua_State* L);
    static int L_Animate(lua_State* L);
    static int L_DeleteMe(lua_State* L);
    static int L_ObjGet(lua_State* L);
    static int L_GetPosFromMask(lua_State* L);
    static int L_SetProperty(lua_State* L);
    static int L_SetIndependent(lua_State* L);
    static int L_GetProperty(lua_State* L);

    std::vector<EmitterType> types_;
    std::string systemScript_;
    lua_State* lua_ = nullptr;
    std::unordered_map<std::string, int> compiled_;  // script text -> registry reference
    int systemState_ = 0;
    std::vector<Emitter> emitters_;
    std::vector<std::unique_ptr<Particle>> particles_;
    int currentEmitter_ = -1;
    Particle* currentParticle_ = nullptr;
    int budget_ = 0;
    int nesting_ = 0;
};
