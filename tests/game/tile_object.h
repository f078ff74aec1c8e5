#pragma once
#include <memory>
#include <utility>

#include "graphics/render.h"
#include "scene/object.h"

// A test object that draws one quad of its texture.
class TileObject : public vK_Object {
public:
    explicit TileObject(std::shared_ptr<vK_Texture> texture) : texture_(std::move(texture)) {}
    void DrawSelf(vK_Render& render, const vK_DrawParams& state) override {
        render.DrawSprite(texture_, state);
    }

private:
    std::shared_ptr<vK_Texture> texture_;
};
