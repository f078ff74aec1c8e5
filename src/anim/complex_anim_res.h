#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "anim/serializable_object.h"
#include "graphics/resource.h"
#include "graphics/text_style.h"

class vK_ByteReader;
namespace tinyxml2 {
class XMLDocument;
}

// Codes of the animated parameters, as lines name them.
namespace vK_AnimParam {
constexpr int kPosX = 0, kPosY = 1, kScaleX = 4, kScaleY = 5, kAngle = 7, kAlpha = 8, kRed = 9, kGreen = 10,
              kBlue = 11, kUnknownDepend = 13, kUnknownLine = 14, kFrame = 15, kBlend = 16, kOffsetX = 17,
              kOffsetY = 18, kGrid = 20, kText = 21;
// The code of a parameter name; unknown names give fallback.
int FromName(const char* name, int fallback);
// The name of a code; nullptr for codes without one.
const char* Name(int code);
}  // namespace vK_AnimParam

struct SVertex {
    float x = 0, y = 0, u = 0, v = 0;
};

struct STriangle {
    int v0 = 0, v1 = 0, v2 = 0;
};

// One key frame. Text lines (code 21) use text instead of v; grid lines (code 20)
// carry vertices.
struct SFrame {
    float t = 0, v = 0;
    float fm_t = 0, fm_v = 0;  // forward handle
    float bm_t = 0, bm_v = 0;  // backward handle
    int32_t interpolation = 0;
    std::vector<SVertex> vertices;
    std::string tag;
    float tagValue = 0;
    std::string text;
};
using STextFrame = SFrame;

struct SAnimLine {
    int32_t code = vK_AnimParam::kUnknownLine;
    std::vector<SFrame> frames;
    bool loop = false;
    int32_t loopFrame = 0;
    std::vector<STriangle> triangles;
    float loopOffset = 0;  // playback state of an instance copy; 0 in the resource
};

struct SAnimFunctionObject {
    uint16_t index = 0xFFFF;
    std::vector<SAnimLine> lines;
};

struct SFunction {
    std::string name;
    bool loop = false;
    float length = 0;
    std::map<int, SAnimFunctionObject> objects;
};

struct SDependendParam {
    int32_t code = vK_AnimParam::kUnknownDepend;
    bool depends = false;
};

// The text of an animated object: font name (below "assets/fonts/"), style, place
// inside the object and maximum width (applied when > 0).
struct SAnimText {
    std::string font;
    vK_TextStyle style;
    float x = 0, y = 0;
    int maxWidth = 0;
};

// An embedded random-emitter particle system as it was read: the body bytes of the
// binary form, or the "ps" element's text. Each playing instance loads its own
// system from it.
struct SParticleSource {
    std::vector<uint8_t> binary;
    std::string xml;
};

struct SAnimObject {
    SAnimObject() = default;
    virtual ~SAnimObject() = default;
    SAnimObject(const SAnimObject&) = delete;
    SAnimObject& operator=(const SAnimObject&) = delete;

    std::string name;
    int32_t index = 0;
    std::string resource;
    std::string resourceTag;
    int32_t frame = 0;
    float drawOffX = 0, drawOffY = 0;
    float posX = 0, posY = 0, posZ = 0;
    int32_t blend = 0;
    uint8_t subfunc = 0, sbfloop = 0;
    std::string animTag;
    float blur = 0;
    std::shared_ptr<const SParticleSource> particles;
    bool particleFree = false, processLoop = false;
    int32_t psFrameIndex = 0;
    std::shared_ptr<const SAnimText> text;
    std::shared_ptr<const std::vector<uint16_t>> gridIndices;
    std::vector<SDependendParam> depends;
    std::vector<std::unique_ptr<SAnimObject>> children;
};

// A loaded complex animation, shared by every animation object showing it through
// the resource cache (name: resource path + "_vk_animation___"). Immutable once
// loaded: playback keeps its state in its own instance copies.
class vK_ComplexAnimRes : public vK_Resource, public vK_SerializableObjectImpl<vK_ComplexAnimRes> {
public:
    vK_ComplexAnimRes();
    ~vK_ComplexAnimRes() override;

    // Loaded through the animation implementation, never by name.
    bool Load(const std::string& /*name*/) override { return false; }
    // Reads the root "animation"; missing attributes read as empty or 0. False only
    // when there is no root element.
    bool ParseXml(const tinyxml2::XMLDocument& document);
    // Reads the body that follows the file header; false on any read failure (the
    // resource is then incomplete and must be discarded).
    bool ReadBinary(vK_ByteReader& reader);

    const SAnimObject* FindObject(const std::string& name) const;
    const SAnimObject* FindObjectByIndex(int index) const;
    const SFunction* FindFunction(const std::string& name) const;

    bool calcType = false;
    std::map<int, std::string> resourceGroup;
    std::map<std::string, int> fontTable;
    std::vector<std::unique_ptr<SAnimObject>> objects;
    std::map<std::string, SFunction> functions;
    std::vector<std::string> objectNames;
    std::vector<std::string> frameTags;

    // Adds a name to a list of distinct names.
    static void AddDistinct(std::vector<std::string>& list, const std::string& name);
    // Gives grid objects the triangles of the grid lines that animate them; a line
    // naming an object that does not exist is skipped with a log line.
    void AssignGridIndices();

    // ---- binary reading -----------------------------------------------------------------
    static void DescribeFields(vK_FieldTable& table);
    const char* TypeName() const override { return "vK_ComplexAnimRes"; }
    void AfterReadChild(uint8_t id, vK_SerializableObject* child) override;
    void AddElement(uint8_t id, vK_SerializableObject* element) override;
    void AfterRead() override;

private:
    std::unique_ptr<vK_SerializableObject> groupRecord_;
    std::vector<std::unique_ptr<vK_SerializableObject>> pending_;
};

// The header of ".anm" files.
namespace vK_AnmWire {
constexpr uint8_t kContext = 1;
constexpr uint8_t kMarker = 1;
constexpr const char* kKind = "complex";
}  // namespace vK_AnmWire
