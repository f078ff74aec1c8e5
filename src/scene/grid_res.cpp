#include "scene/grid_res.h"

#include <tinyxml2.h>

#include <cmath>

#include "data/data.h"
#include "files/file_manager.h"
#include "files/log.h"

namespace {

// Attributes read as atoi / atof would: absent counts as 0.
int32_t IntAttribute(const tinyxml2::XMLElement* element, const char* name) {
    const char* value = element->Attribute(name);
    return value != nullptr ? TextToInt(value) : 0;
}

float FloatAttribute(const tinyxml2::XMLElement* element, const char* name) {
    const char* value = element->Attribute(name);
    if (value == nullptr) return 0.0f;
    const double parsed = TextToDouble(value);
    // Positions and texture coordinates must stay finite for the interpolation.
    return std::isfinite(parsed) ? static_cast<float>(parsed) : 0.0f;
}

}  // namespace

bool vK_GridRes::Load(const std::string& name) {
    SetName(name);
    vK_FileManager* files = vK_FileManager::Instance();
    if (files == nullptr) return false;
    std::vector<uint8_t> bytes;
    if (files->LoadFile(name + ".xml", bytes, 0) != 0) return false;
    return Parse(name, reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

bool vK_GridRes::Parse(const std::string& name, const char* text, size_t size) {
    frames_.clear();
    indices_.clear();
    tinyxml2::XMLDocument document;
    if (text == nullptr || document.Parse(text, size) != tinyxml2::XML_SUCCESS) {
        Log("Error: grid %s could not be parsed", name.c_str());
        return false;
    }
    const tinyxml2::XMLElement* root = document.FirstChildElement("grid");
    if (root == nullptr) {
        Log("Error: grid %s has no \"grid\" element", name.c_str());
        return false;
    }
    const char* texture = root->Attribute("texture");
    texture_ = texture != nullptr ? texture : "";
    frame_ = IntAttribute(root, "frame");
    loop_ = IntAttribute(root, "loop") == 1;
    fps_ = FloatAttribute(root, "fps");
    if (!(fps_ > 0.0f)) {
        Log("Warning: grid %s has fps %g; its frames are shown at their end state", name.c_str(),
            static_cast<double>(fps_));
        fps_ = 0.0f;
    }

    if (const tinyxml2::XMLElement* frames = root->FirstChildElement("frames")) {
        int number = 0;
        for (const tinyxml2::XMLElement* f = frames->FirstChildElement("frame"); f != nullptr;
             f = f->NextSiblingElement("frame"), ++number) {
            vK_GridFrame frame;
            frame.interp = IntAttribute(f, "interp");
            for (const tinyxml2::XMLElement* v = f->FirstChildElement("vertex"); v != nullptr;
                 v = v->NextSiblingElement("vertex")) {
                vK_GridVertex vertex;
                vertex.x = FloatAttribute(v, "pos_x");
                vertex.y = FloatAttribute(v, "pos_y");
                vertex.tu = FloatAttribute(v, "tu");
                vertex.tv = FloatAttribute(v, "tv");
                vertex.id = IntAttribute(v, "id");
                frame.vertices.push_back(vertex);
            }
            if (frame.vertices.size() > kMaxVertices) {
                Log("Error: grid %s frame %d has %zu vertices, at most %zu are drawn; frame dropped",
                    name.c_str(), number, frame.vertices.size(), kMaxVertices);
                continue;
            }
            // Interpolation pairs vertices by position in the list: every frame must
            // have as many as the first.
            if (!frames_.empty() && frame.vertices.size() != frames_[0].vertices.size()) {
                Log("Error: grid %s frame %d has %zu vertices instead of %zu; frame dropped", name.c_str(),
                    number, frame.vertices.size(), frames_[0].vertices.size());
                continue;
            }
            frames_.push_back(std::move(frame));
        }
    }

    const int32_t vertexCount = static_cast<int32_t>(GetVertexCount());
    if (const tinyxml2::XMLElement* triangles = root->FirstChildElement("triangles")) {
        int number = 0;
        for (const tinyxml2::XMLElement* t = triangles->FirstChildElement("triangle"); t != nullptr;
             t = t->NextSiblingElement("triangle"), ++number) {
            const int32_t index[3] = {IntAttribute(t, "vertex_0"), IntAttribute(t, "vertex_1"),
                                      IntAttribute(t, "vertex_2")};
            bool valid = true;
            for (int32_t i : index) valid = valid && i >= 0 && i < vertexCount;
            if (!valid) {
                Log("Error: grid %s triangle %d (%d, %d, %d) indexes past its %d vertices; triangle dropped",
                    name.c_str(), number, index[0], index[1], index[2], vertexCount);
                continue;
            }
            indices_.insert(indices_.end(), index, index + 3);
        }
    }
    return true;
}
