#pragma once
#include <memory>
#include <string>

#include "core/listener_base.h"
#include "scene/object.h"

class vY_Interface;
class vY_CheatHighlight;
class vY_ZoomView;

// One screen of the game: the branch "vy_level" under "vy_application" with the level
// content "vy_level_internal" (z 0), the interface "vy_interface" (z 2) and the cheat
// overlay "vy_cheat_highlight" on top; the loading screen "int_loading" (from the
// module "assets/shared/interface/int_loading") fades out when the level opens and in
// again before the level is replaced.
//
// States (State): created while the module loads, the opening fade, running (input on),
// the leaving fade, done (the application replaces the level on its next frame). Each
// fade lasts 0.4 s of frame time.
//
// The content is a zoom view that neither pans nor zooms until the level's scripts
// allow it ("candrag", "canzoom").
class vY_Level : public vK_Object, public vK_ListenerBase {
public:
    static constexpr float kFadeSeconds = 0.4f;
    // The lifecycle states, in the order a level passes them.
    enum class State : int { kLoading = 0, kOpening = 1, kRunning = 2, kLeaving = 3, kDone = 4 };

    vY_Level(const std::string& module, const std::string& trigger);
    ~vY_Level() override;

    void Tick(const vK_FrameInfo& frame) override;
    bool HandleInput(const vK_InputEvent& event, vK_Object* hit, const vK_DrawParams& state) override;
    void OnMessage(const vK_MessageId& id, vK_DataTable* payload) override;

    bool IsLoading() const { return state_ == State::kLoading || state_ == State::kOpening; }
    bool IsDone() const { return state_ == State::kDone; }
    State GetState() const { return state_; }
    float GetFade() const { return fade_; }
    void SetState(State state);
    void ApplyLoadingAlpha(float alpha);
    // Saves the player's profile once, when the level got past its opening fade.
    void SaveProgress();

    vY_ZoomView* GetContent() const;
    vK_Object* GetLoadingScreen() const;
    vY_Interface* GetInterface() const;
    const std::string& GetTrigger() const { return trigger_; }
    const std::string& GetModule() const { return module_; }

    // Process-wide flags: whether the opening fade may show the loading screen, and
    // whether no level has opened yet in this run (its loading screen stays clear).
    static void SetLoadingAllowed(bool allowed);
    static bool IsLoadingAllowed();
    static void SetFirstOpening(bool first);
    static bool IsFirstOpening();

private:
    void BuildBranch();
    void AnswerTryApply(vK_DataTable& payload) const;

    std::weak_ptr<vK_Object*> content_;
    std::weak_ptr<vK_Object*> loading_;
    std::weak_ptr<vK_Object*> interface_;
    std::weak_ptr<vK_Object*> cheat_;
    State state_ = State::kLoading;
    float fade_ = 1.0f;
    std::string trigger_;
    std::string module_;
    bool saved_ = false;
};
