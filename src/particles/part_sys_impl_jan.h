#pragma once
#include <memory>
#include <string>
#include <vector>

#include "particles/part_sys_impl.h"

// The parametric system ("jan"): each emitter is a flat set of numbers, bursting
// particles at random intervals with random start values and constant rates that decay
// geometrically per 1/60 s frame unit. Particle records come from one process-wide
// pool, so steady emission allocates nothing.
class vK_PartSysImpl_Jan : public vK_PartSysImpl {
public:
    static constexpr float kFrameUnit = 0.01667f;  // seconds of one frame unit
    static constexpr float kFileUnit = 0.017f;     // preset times are in these
    static constexpr float kPreprocessDt = 0.17f;
    // Warm-up steps at most (the common bounds limit bursts and particles held).
    static constexpr int kMaxPreproc = 10000;

    // 25 floats; the pool hands them out zeroed.
    struct Particle {
        float x, y, scale_x, scale_y, angle, speed_x, speed_y, gravity_speed, scale_x_speed, scale_y_speed;
        float direction, direction_speed, rotation_speed, rotation, age, lifetime, alpha, alpha_speed;
        float peak_alpha, red, red_speed, green, green_speed, blue, blue_speed;
    };
    struct Emitter {
        std::vector<Particle*> particles;  // pool records
        std::shared_ptr<vK_Texture> texture;
        float burst_timer = 0;
        int bursts_left = -1;
        float lifetime = 0, lifetime_delta = 0, delay = 0, delay_delta = 0, delay_init = 0;
        float born_count = 0, born_count_delta = 0;
        int gflag = 0, course = 0;
        bool free = false;
        float pos_x = 0, pos_y = 0, pos_x_delta = 0, pos_y_delta = 0;
        float speed_x = 0, speed_y = 0, speed_x_delta = 0, speed_y_delta = 0, speed_xf = 0, speed_yf = 0;
        float grav = 0, gravf = 0;
        float grotate = 0, grotate_delta = 0, grotate_speed = 0, grotate_speed_delta = 0, grotatef = 0;
        int scale_mode = 0;
        float scale_x = 0, scale_y = 0, scale_x_delta = 0, scale_y_delta = 0;
        float scale_x_speed = 0, scale_y_speed = 0, scale_x_speed_delta = 0, scale_y_speed_delta = 0;
        float scale_xf = 0, scale_yf = 0;
        float rotate = 0, rotate_delta = 0, rotate_speed = 0, rotate_speed_delta = 0, rotatef = 0;
        float alpha = 0, alpha_delta = 0, alpha_speed = 0, alpha_speed_delta = 0, alpha_peak = 0;
        int alpha_mode = 0;
        float color[3] = {}, color_delta[3] = {}, color_speed[3] = {}, color_speed_delta[3] = {};
        int preproc = 0, autooff = -1, blend = 0;
        std::string texture_name;
    };

    vK_PartSysImpl_Jan() = default;
    ~vK_PartSysImpl_Jan() override;

    bool LoadBinary(vK_ByteReader& reader) override;
    bool LoadXml(const tinyxml2::XMLElement& root) override;
    void AcquireTextures() override;
    void ReleaseTextures() override;
    void Update(const vK_FrameInfo& frame) override;
    void Draw(vK_Render& render, const vK_DrawParams& state) override;
    void Start() override;
    void Stop(bool clear) override;
    int GetParticleCount() const override;

    const std::vector<std::unique_ptr<Emitter>>& GetEmitters() const { return emitters_; }

    // The process-wide record pool.
    static Particle* TakeRecord();
    static void ReleaseRecord(Particle* record);
    static size_t PoolFreeCount();

private:
    void Emit(Emitter& e);
    void ReleaseAll(Emitter& e);
    void Step(float dt);

    std::vector<std::unique_ptr<Emitter>> emitters_;
};
