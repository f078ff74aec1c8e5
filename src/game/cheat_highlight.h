#pragma once
#include "core/listener_base.h"
#include "scene/object.h"

class vY_Level;

// A debugging overlay of cheater builds: key 9 toggles it; while on, it outlines the
// input rectangle of every object of the level that takes input, red when the object
// has a mouse-down handler, green otherwise.
class vY_CheatHighlight : public vK_Object, public vK_ListenerBase {
public:
    vY_CheatHighlight();
    ~vY_CheatHighlight() override;

    void OnMessage(const vK_MessageId& id, vK_DataTable* payload) override;
    void DrawSelf(vK_Render& render, const vK_DrawParams& state) override;
    void SetLevel(vY_Level* level);
    bool IsEnabled() const { return enabled_; }

private:
    void Outline(vK_Render& render, vK_Object* node) const;

    std::weak_ptr<vK_Object*> level_;
    bool enabled_ = false;
};
