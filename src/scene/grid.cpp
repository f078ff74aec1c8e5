#include "scene/grid.h"

#include <algorithm>

#include "core/frame_info.h"
#include "data/data.h"
#include "files/file_manager.h"
#include "graphics/render.h"
#include "graphics/resource_manager.h"
#include "graphics/texture.h"
#include "scene/key_track.h"
#include "scene/property_table.h"

namespace {

// Everything up to and including the last '/', after turning '\' into '/'.
std::string FolderOf(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    const size_t slash = name.rfind('/');
    return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

}  // namespace

vK_Grid::~vK_Grid() = default;

void vK_Grid::RegisterType() {
    RegisterObjectType("grid", []() -> std::unique_ptr<vK_Object> { return std::make_unique<vK_Grid>(); },
                       {"A textured mesh whose vertices move from key frame to key frame, read from a grid "
                        "file (\"res\"); scripts change vertices, frame and texture.",
                        &GridProperties, "obj"});
}

std::shared_ptr<vK_Resource> vK_Grid::GetResource() const { return texture_; }

const vK_PropertyTable& vK_Grid::GridProperties() {
    using namespace vK_Props;
    static const vK_PropertyTable table(
        &ObjectProperties(),
        {
            // Clamped to the frames there are.
            Custom(
                "frame",
                [](vK_Object& o, const vK_Data& v, const char* key) {
                    int32_t frame = 0;
                    if (!Read(v, key, frame)) return false;
                    static_cast<vK_Grid&>(o).SetCurrentFrame(frame);
                    return true;
                },
                [](const vK_Object& o, vK_DataTable& t, const char* key) {
                    t.SetInt(key, static_cast<const vK_Grid&>(o).currentFrame_);
                }),
            // Playing true restarts the animation from frame 0.
            Custom(
                "playing",
                [](vK_Object& o, const vK_Data& v, const char* key) {
                    auto& grid = static_cast<vK_Grid&>(o);
                    if (!Read(v, key, grid.playing_)) return false;
                    if (grid.playing_) {
                        grid.timeLeft_ = grid.frameDuration_;
                        grid.currentFrame_ = 0;
                    }
                    return true;
                },
                [](const vK_Object& o, vK_DataTable& t, const char* key) {
                    t.SetBool(key, static_cast<const vK_Grid&>(o).playing_);
                }),
            Handler("endtrig", [](vK_Object& o) -> void* { return &static_cast<vK_Grid&>(o).endHandler_; }),
        });
    return table;
}

void vK_Grid::SetProperties(const vK_DataTable& table) {
    ApplyProperties(GridProperties(), table);
    RebuildMesh();
}

void vK_Grid::GetProperties(vK_DataTable& table, bool full) const {
    GridProperties().Write(*this, table, full);
}

bool vK_Grid::HitTest(float x, float y, const vK_DrawParams& state) const {
    if (HasInputRect() || !texture_) return vK_Object::HitTest(x, y, state);
    return texture_->HitTest(x, y, state);
}

void vK_Grid::RestoreGraphics(bool recursive) {
    vK_Object::RestoreGraphics(recursive);
    dirty_ = true;
}

void vK_Grid::Reset() {
    vK_Object::Reset();
    playing_ = false;
    currentFrame_ = 0;
    loop_ = false;
    timeLeft_ = 0.0f;
    frameDuration_ = 0.0f;
    GetOwnParams().frame = 0;
    indices_.Clear();
    vertices_ = vK_VertexList();
}

bool vK_Grid::Load() {
    if (IsLoaded()) return true;
    vK_Object::Load();
    const std::string& name = GetResourceName();
    vK_ResourceManager* resources = vK_ResourceManager::Instance();
    if (name.empty() || resources == nullptr) return false;
    const std::string cacheName = name + "_grd";
    resource_ = std::dynamic_pointer_cast<vK_GridRes>(resources->FindResource(cacheName));
    if (!resource_) {
        auto loaded = std::make_shared<vK_GridRes>();
        if (loaded->Load(name))
            resource_ = std::dynamic_pointer_cast<vK_GridRes>(resources->AddResource(cacheName, loaded));
    }
    if (!resource_) return false;
    texturePath_ = FolderOf(name) + resource_->GetTexture();
    GetOwnParams().frame = resource_->GetFrame();
    loop_ = resource_->GetLoop();
    frameDuration_ = resource_->GetFps() > 0.0f ? 1.0f / resource_->GetFps() : 0.0f;
    indices_.Clear();
    for (int32_t index : resource_->GetIndices()) indices_.Add(static_cast<uint16_t>(index));
    frames_ = resource_->GetFrames();
    currentFrame_ = std::clamp(currentFrame_, 0, std::max(0, GetFrameCount() - 1));
    dirty_ = true;
    return true;
}

bool vK_Grid::Unload() {
    if (!IsLoaded()) return true;
    frames_.clear();
    indices_.Clear();
    current_.clear();
    resource_.reset();
    return vK_Object::Unload();
}

bool vK_Grid::EnterScene() {
    if (IsInScene()) return true;
    vK_Object::EnterScene();
    vK_ResourceManager* resources = vK_ResourceManager::Instance();
    if (resources == nullptr || texturePath_.empty()) return false;
    // An atlas description beside the texture name means a frame texture.
    vK_FileManager* files = vK_FileManager::Instance();
    const bool atlas = files != nullptr && files->Exists(texturePath_ + ".xml") == 0;
    if (atlas) texture_ = resources->GetFrameTexture(texturePath_);
    if (!texture_) texture_ = resources->GetTexture(texturePath_);
    return texture_ != nullptr;
}

bool vK_Grid::LeaveScene() {
    texture_.reset();
    return vK_Object::LeaveScene();
}

void vK_Grid::Tick(const vK_FrameInfo& frame) {
    vK_Object::Tick(frame);
    if (playing_) {
        timeLeft_ -= frame.dt;
        if (timeLeft_ <= 0.0f) {
            if (currentFrame_ + 1 < GetFrameCount()) {
                ++currentFrame_;
                timeLeft_ += frameDuration_;
            } else if (loop_) {
                currentFrame_ = 0;
                timeLeft_ += frameDuration_;
            } else {
                currentFrame_ = std::max(0, GetFrameCount() - 1);
                playing_ = false;
                QueueHandler(endHandler_, GetName());
            }
        }
        dirty_ = true;
    }
    if (dirty_) {
        RebuildMesh();
        dirty_ = false;
    }
}

void vK_Grid::RebuildMesh() {
    if (frames_.empty()) {
        current_.clear();
        return;
    }
    const int count = GetFrameCount();
    const int a = std::clamp(currentFrame_, 0, count - 1);
    int b = a + 1;
    if (b >= count) b = loop_ ? 0 : a;
    const std::vector<vK_GridVertex>& from = frames_[a].vertices;
    if (!playing_ || a == b) {
        current_ = from;
        return;
    }
    const vK_GridFrame& to = frames_[b];
    // Without a positive frame rate there is no time between frames: show the end state.
    float t = 1.0f;
    if (frameDuration_ > 0.0f) t = std::clamp(1.0f - std::max(timeLeft_, 0.0f) / frameDuration_, 0.0f, 1.0f);
    current_.resize(from.size());
    for (size_t i = 0; i < from.size() && i < to.vertices.size(); ++i) {
        const vK_GridVertex& va = from[i];
        const vK_GridVertex& vb = to.vertices[i];
        vK_GridVertex& out = current_[i];
        out.x = Ease(to.interp, va.x, vb.x, t);
        out.y = Ease(to.interp, va.y, vb.y, t);
        out.zero = 0.0f;
        out.tu = Ease(to.interp, va.tu, vb.tu, t);
        out.tv = Ease(to.interp, va.tv, vb.tv, t);
        out.id = va.id;
    }
}

void vK_Grid::DrawSelf(vK_Render& render, const vK_DrawParams& state) {
    if (dirty_) {
        RebuildMesh();
        dirty_ = false;
    }
    if (current_.empty() || !texture_) return;
    const vK_Rect uv = texture_->GetUV(state.frame);
    const vK_Matrix& m = state.matrix;
    vertices_.Clear();
    vertices_.Reserve(indices_.Count() * vK_VertexList::kFloatsPerVertex);
    // The draw offset does not apply to grids.
    for (uint16_t index : indices_.Indices()) {
        if (index >= current_.size()) continue;
        const vK_GridVertex& v = current_[index];
        float x, y;
        m.Transform(v.x, v.y, x, y);
        vertices_.Add(x, y, uv.x + v.tu * uv.w, uv.y + v.tv * uv.h, state.red, state.green, state.blue,
                      state.alpha);
    }
    if (!vertices_.Empty()) render.AddVertices(texture_, vertices_, state.State());
}

bool vK_Grid::SetVertex(int frame, int vertex, const vK_DataTable& values) {
    if (frame < 0 || frame >= GetFrameCount()) return false;
    std::vector<vK_GridVertex>& list = frames_[frame].vertices;
    if (vertex < 0 || vertex >= static_cast<int>(list.size())) return false;
    vK_GridVertex& v = list[vertex];
    values.GetFloat("pos_x", v.x);
    values.GetFloat("pos_y", v.y);
    values.GetFloat("tu", v.tu);
    values.GetFloat("tv", v.tv);
    dirty_ = true;
    return true;
}

void vK_Grid::SetCurrentFrame(int frame) {
    currentFrame_ = std::clamp(frame, 0, std::max(0, GetFrameCount() - 1));
    dirty_ = true;
}

void vK_Grid::SetTexturePath(const std::string& path) {
    if (IsInScene()) {
        LeaveScene();
        texturePath_ = path;
        EnterScene();
    } else {
        texturePath_ = path;
    }
}

void vK_Grid::Play(const vK_DataScriptFunction& handler) {
    timeLeft_ = frameDuration_;
    playing_ = true;
    currentFrame_ = 0;
    endHandler_.CopyFrom(handler);
    dirty_ = true;
}

void vK_Grid::Stop() {
    playing_ = false;
    RebuildMesh();
}
