#pragma once
#include "scene/object.h"

// Object type "timer": an invisible countdown that queues its end handler once when it
// runs out, or (infinite) a stopwatch counting up. It counts only while it is updated,
// that is in an active branch of the live scene.
class vK_TimerObj : public vK_Object {
public:
    explicit vK_TimerObj(const std::string& name = std::string()) : vK_Object(name) {}

    void SetProperties(const vK_DataTable& table) override;
    void GetProperties(vK_DataTable& table, bool full) const override;
    std::string GetType() const override { return "timer"; }
    void Reset() override;
    void Tick(const vK_FrameInfo& frame) override;

    float GetTime() const { return time_; }
    bool IsPlaying() const { return playing_; }
    bool IsInfinite() const { return infinite_; }

    static void RegisterType();

private:
    static const vK_PropertyTable& TimerProperties();

    float time_ = 0.0f;
    bool infinite_ = false;
    bool playing_ = false;
    vK_DataScriptFunction endHandler_;
};
