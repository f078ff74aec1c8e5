// The complex animation data model: lookups and the ".xml" form.
#include "anim/complex_anim_res.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "files/log.h"
#include "particles/preset_attributes.h"

using vK_PresetXml::FloatAttr;
using vK_PresetXml::IntAttr;
using vK_PresetXml::StrAttr;

namespace {

const struct {
    int code;
    const char* name;
} kParamNames[] = {{0, "pos_x"},       {1, "pos_y"},     {4, "scale_x"},   {5, "scale_y"},  {7, "angle"},
                   {8, "alpha"},       {9, "color_r"},   {10, "color_g"},  {11, "color_b"}, {15, "frame"},
                   {16, "blend_mode"}, {17, "offset_x"}, {18, "offset_y"}, {20, "grid"},    {21, "text"}};

const SAnimObject* FindByName(const std::vector<std::unique_ptr<SAnimObject>>& list,
                              const std::string& name) {
    for (const auto& o : list) {
        if (o->name == name) return o.get();
        if (const SAnimObject* found = FindByName(o->children, name)) return found;
    }
    return nullptr;
}

const SAnimObject* FindByIndex(const std::vector<std::unique_ptr<SAnimObject>>& list, int index) {
    for (const auto& o : list) {
        if (o->index == index) return o.get();
        if (const SAnimObject* found = FindByIndex(o->children, index)) return found;
    }
    return nullptr;
}

// "%d" of the attribute text is 1.
bool IsOne(const char* text) { return text != nullptr && std::strtol(text, nullptr, 10) == 1; }

void ReadColour(const tinyxml2::XMLElement& e, float* rgb) {
    rgb[0] = FloatAttr(e, "r", 1.0f);
    rgb[1] = FloatAttr(e, "g", 1.0f);
    rgb[2] = FloatAttr(e, "b", 1.0f);
}

std::shared_ptr<SAnimText> ReadText(const tinyxml2::XMLElement& e) {
    auto text = std::make_shared<SAnimText>();
    text->font = StrAttr(e, "fname");
    vK_TextStyle& s = text->style;
    s.fontsize = IntAttr(e, "fsize");
    s.fonttype = IntAttr(e, "fstyle");
    const int format = IntAttr(e, "format");
    s.align = format & 3;
    s.align_v = (format >> 2) & 3;
    ReadColour(e, s.fontcolor);
    s.linespacing = FloatAttr(e, "line_spacing", 1.0f);
    text->maxWidth = std::max(0, IntAttr(e, "maxw"));
    if (const tinyxml2::XMLElement* o = e.FirstChildElement("outline")) {
        s.display_outline = 1;
        ReadColour(*o, s.outline_color);
        s.outline_alpha = FloatAttr(*o, "a", 1.0f);
        s.outline_size = IntAttr(*o, "size", 1);
    }
    if (const tinyxml2::XMLElement* sh = e.FirstChildElement("shadow")) {
        s.display_shadow = 1;
        ReadColour(*sh, s.shadow_color);
        s.shadow_aplha = FloatAttr(*sh, "a", 1.0f);
        s.shadow_pos_x = FloatAttr(*sh, "x");
        s.shadow_pos_y = FloatAttr(*sh, "y");
    }
    text->x = FloatAttr(e, "x");
    text->y = FloatAttr(e, "y");
    return text;
}

class XmlReader {
public:
    explicit XmlReader(vK_ComplexAnimRes& res) : res_(res) {}

    void Objects(const tinyxml2::XMLElement& parent, std::vector<std::unique_ptr<SAnimObject>>& out) {
        for (const tinyxml2::XMLElement* x = parent.FirstChildElement("obj"); x;
             x = x->NextSiblingElement("obj")) {
            auto o = std::make_unique<SAnimObject>();
            Object(*x, *o);
            out.push_back(std::move(o));
        }
    }

    void Functions(const tinyxml2::XMLElement& funcs) {
        for (const tinyxml2::XMLElement* x = funcs.FirstChildElement("func"); x;
             x = x->NextSiblingElement("func")) {
            SFunction f;
            f.name = StrAttr(*x, "name");
            f.loop = IntAttr(*x, "loop") == 1;
            for (const tinyxml2::XMLElement* ox = x->FirstChildElement("obj"); ox;
                 ox = ox->NextSiblingElement("obj")) {
                auto* object = const_cast<SAnimObject*>(res_.FindObject(StrAttr(*ox, "name")));
                if (object == nullptr) continue;
                if (const tinyxml2::XMLElement* ps = ox->FirstChildElement("ps"))
                    object->psFrameIndex = IntAttr(*ps, "ps_fr_index");
                SAnimFunctionObject& fo = f.objects[object->index];
                fo.index = static_cast<uint16_t>(object->index);
                fo.lines.clear();
                for (const tinyxml2::XMLElement* ax = ox->FirstChildElement("anim"); ax;
                     ax = ax->NextSiblingElement("anim")) {
                    fo.lines.push_back(Line(*ax, f.length));
                }
            }
            res_.functions[f.name] = std::move(f);
        }
    }

private:
    void Object(const tinyxml2::XMLElement& x, SAnimObject& o) {
        o.index = nextIndex_++;
        o.name = StrAttr(x, "name");
        o.resource = StrAttr(x, "res");
        o.resourceTag = StrAttr(x, "res_tag");
        const double frame = FloatAttr(x, "frame");
        o.frame = static_cast<int32_t>(std::clamp(std::trunc(frame), -2147483648.0, 2147483647.0));
        o.drawOffX = FloatAttr(x, "drawoff_x");
        o.drawOffY = FloatAttr(x, "drawoff_y");
        o.posX = FloatAttr(x, "pos_x");
        o.posY = FloatAttr(x, "pos_y");
        o.posZ = FloatAttr(x, "pos_z");
        o.blend = IntAttr(x, "blendmode");
        o.subfunc = IntAttr(x, "subfunc") == 1;
        if (o.subfunc) o.sbfloop = IntAttr(x, "sbfloop") == 1;
        o.animTag = StrAttr(x, "anim_tag");
        o.blur = FloatAttr(x, "blur");
        if (const tinyxml2::XMLElement* t = x.FirstChildElement("text")) o.text = ReadText(*t);
        if (const tinyxml2::XMLElement* d = x.FirstChildElement("depend_params")) {
            for (const tinyxml2::XMLAttribute* a = d->FirstAttribute(); a; a = a->Next()) {
                SDependendParam p;
                p.code = vK_AnimParam::FromName(a->Name(), vK_AnimParam::kUnknownDepend);
                p.depends = IsOne(a->Value());
                o.depends.push_back(p);
            }
        }
        if (const tinyxml2::XMLElement* ps = x.FirstChildElement("ps")) {
            tinyxml2::XMLPrinter printer(nullptr, true);
            ps->Accept(&printer);
            auto source = std::make_shared<SParticleSource>();
            source->xml = printer.CStr();
            o.particles = std::move(source);
            o.particleFree = IntAttr(*ps, "is_particle_free") == 1;
            o.processLoop = IntAttr(*ps, "is_ps_process_loop") == 1;
        }
        vK_ComplexAnimRes::AddDistinct(res_.objectNames, o.resourceTag);
        Objects(x, o.children);
    }

    SAnimLine Line(const tinyxml2::XMLElement& ax, float& length) {
        SAnimLine line;
        line.code = vK_AnimParam::FromName(StrAttr(ax, "tp").c_str(), vK_AnimParam::kUnknownLine);
        line.loop = IntAttr(ax, "loop") == 1;
        line.loopFrame = IntAttr(ax, "loop_frame");
        const bool grid = line.code == vK_AnimParam::kGrid;
        if (grid) {
            if (const tinyxml2::XMLElement* tris = ax.FirstChildElement("triangles")) {
                for (const tinyxml2::XMLElement* tr = tris->FirstChildElement("tr"); tr;
                     tr = tr->NextSiblingElement("tr")) {
                    line.triangles.push_back({IntAttr(*tr, "v0"), IntAttr(*tr, "v1"), IntAttr(*tr, "v2")});
                }
            }
        }
        for (const tinyxml2::XMLElement* fx = ax.FirstChildElement("fr"); fx;
             fx = fx->NextSiblingElement("fr")) {
            SFrame f;
            f.t = FloatAttr(*fx, "t");
            if (line.code == vK_AnimParam::kText) {
                f.text = StrAttr(*fx, "v");
            } else {
                f.v = FloatAttr(*fx, "v");
            }
            f.interpolation = IntAttr(*fx, "i");
            f.fm_t = FloatAttr(*fx, "fm_t", f.t);
            f.fm_v = FloatAttr(*fx, "fm_v", f.v);
            f.bm_t = FloatAttr(*fx, "bm_t", f.t);
            f.bm_v = FloatAttr(*fx, "bm_v", f.v);
            f.tag = StrAttr(*fx, "tag");
            f.tagValue = f.v;
            if (!f.tag.empty()) vK_ComplexAnimRes::AddDistinct(res_.frameTags, f.tag);
            if (grid) {
                if (const tinyxml2::XMLElement* vs = fx->FirstChildElement("vertexs")) {
                    for (const tinyxml2::XMLElement* v = vs->FirstChildElement("v"); v;
                         v = v->NextSiblingElement("v"))
                        f.vertices.push_back({FloatAttr(*v, "x"), FloatAttr(*v, "y"), FloatAttr(*v, "tu"),
                                              FloatAttr(*v, "tv")});
                }
            }
            length = std::max(length, f.t);
            line.frames.push_back(std::move(f));
        }
        if (line.loopFrame < 0 || line.loopFrame >= static_cast<int>(line.frames.size())) line.loopFrame = 0;
        return line;
    }

    vK_ComplexAnimRes& res_;
    int nextIndex_ = 0;
};

}  // namespace

int vK_AnimParam::FromName(const char* name, int fallback) {
    if (name == nullptr) return fallback;
    for (const auto& p : kParamNames) {
        if (std::strcmp(p.name, name) == 0) return p.code;
    }
    return fallback;
}

const char* vK_AnimParam::Name(int code) {
    for (const auto& p : kParamNames) {
        if (p.code == code) return p.name;
    }
    return nullptr;
}

vK_ComplexAnimRes::vK_ComplexAnimRes() = default;
vK_ComplexAnimRes::~vK_ComplexAnimRes() = default;

const SAnimObject* vK_ComplexAnimRes::FindObject(const std::string& name) const {
    return FindByName(objects, name);
}

const SAnimObject* vK_ComplexAnimRes::FindObjectByIndex(int index) const {
    return FindByIndex(objects, index);
}

const SFunction* vK_ComplexAnimRes::FindFunction(const std::string& name) const {
    auto found = functions.find(name);
    return found == functions.end() ? nullptr : &found->second;
}

void vK_ComplexAnimRes::AddDistinct(std::vector<std::string>& list, const std::string& name) {
    if (std::find(list.begin(), list.end(), name) == list.end()) list.push_back(name);
}

void vK_ComplexAnimRes::AssignGridIndices() {
    for (const auto& [name, function] : functions) {
        for (const auto& [index, fo] : function.objects) {
            for (const SAnimLine& line : fo.lines) {
                if (line.code != vK_AnimParam::kGrid) continue;
                auto* object = const_cast<SAnimObject*>(FindObjectByIndex(index));
                if (object == nullptr) {
                    Log("Warning: complex animation %s: function \"%s\" animates a grid of object %d, which "
                        "does "
                        "not exist; skipped",
                        GetName().c_str(), name.c_str(), index);
                    continue;
                }
                auto indices = std::make_shared<std::vector<uint16_t>>();
                for (const STriangle& t : line.triangles) {
                    for (int v : {t.v0, t.v1, t.v2})
                        indices->push_back(static_cast<uint16_t>(std::clamp(v, 0, 65535)));
                }
                object->gridIndices = std::move(indices);
            }
        }
    }
}

bool vK_ComplexAnimRes::ParseXml(const tinyxml2::XMLDocument& document) {
    const tinyxml2::XMLElement* root = document.FirstChildElement("animation");
    if (root == nullptr) return false;
    calcType = IntAttr(*root, "calc_type") == 1;
    XmlReader reader(*this);
    if (const tinyxml2::XMLElement* objs = root->FirstChildElement("objs")) reader.Objects(*objs, objects);
    if (const tinyxml2::XMLElement* funcs = root->FirstChildElement("funcs")) reader.Functions(*funcs);
    AssignGridIndices();
    return true;
}
