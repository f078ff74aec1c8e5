#pragma once
#include <memory>
#include <string>
#include <vector>

#include "graphics/index_list.h"
#include "graphics/vertex_list.h"
#include "scene/grid_res.h"
#include "scene/object.h"

class vK_Texture;

// Object type "grid": a textured triangle mesh whose vertices move from key frame to
// key frame, interpolated with the easing code of the frame moved into. The mesh comes
// from the grid file named by the resource name (shared through the resource cache);
// scripts may change vertices, the frame and the texture.
class vK_Grid : public vK_Object {
public:
    explicit vK_Grid(const std::string& name = std::string()) : vK_Object(name) {}
    ~vK_Grid() override;

    std::shared_ptr<vK_Resource> GetResource() const override;
    void SetProperties(const vK_DataTable& table) override;
    void GetProperties(vK_DataTable& table, bool full) const override;
    std::string GetType() const override { return "grid"; }
    bool HitTest(float x, float y, const vK_DrawParams& state) const override;
    void RestoreGraphics(bool recursive) override;
    void Reset() override;
    bool Load() override;
    bool Unload() override;
    bool EnterScene() override;
    bool LeaveScene() override;
    void Tick(const vK_FrameInfo& frame) override;
    void DrawSelf(vK_Render& render, const vK_DrawParams& state) override;

    // Sets x, y, tu, tv of one vertex of one frame from "pos_x", "pos_y", "tu", "tv"
    // (absent keys keep their value); false when an index is out of range.
    bool SetVertex(int frame, int vertex, const vK_DataTable& values);
    // Clamped to the frames there are.
    void SetCurrentFrame(int frame);
    void SetTexturePath(const std::string& path);
    void Play(const vK_DataScriptFunction& handler);
    void Stop();
    void Pause(bool pause) { playing_ = !pause; }

    int GetCurrentFrame() const { return currentFrame_; }
    int GetFrameCount() const { return static_cast<int>(frames_.size()); }
    bool IsPlaying() const { return playing_; }
    bool GetLoop() const { return loop_; }
    float GetFrameDuration() const { return frameDuration_; }
    const std::string& GetTexturePath() const { return texturePath_; }
    const std::vector<vK_GridVertex>& GetCurrentVertices() const { return current_; }
    const vK_IndexList& GetIndexList() const { return indices_; }
    // Builds the current vertices for the current frame and time.
    void RebuildMesh();

    static void RegisterType();

private:
    static const vK_PropertyTable& GridProperties();

    std::shared_ptr<vK_Texture> texture_;
    std::string texturePath_;
    bool playing_ = false;
    int currentFrame_ = 0;
    bool loop_ = false;
    float timeLeft_ = 0.0f;
    float frameDuration_ = 0.0f;  // 0 when the grid's fps is not positive
    vK_DataScriptFunction endHandler_;
    bool dirty_ = false;
    std::shared_ptr<vK_GridRes> resource_;
    std::vector<vK_GridFrame> frames_;
    std::vector<vK_GridVertex> current_;
    vK_IndexList indices_;
    vK_VertexList vertices_;
};
