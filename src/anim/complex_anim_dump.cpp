// The ".xml" form of complex animations as written by the authoring tool, and the
// readable dump.
#include <tinyxml2.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <set>

#include "anim/complex_anim_res.h"
#include "anim/complex_anim_writer.h"
#include "files/byte_buffer.h"
#include "files/byte_reader.h"
#include "files/log.h"
#include "particles/part_sys_impl_rnd.h"
#include "particles/prst_format.h"

namespace {

using tinyxml2::XMLElement;

// The "ps" element of an embedded system (read back from its binary body when needed).
XMLElement* ParticleElement(tinyxml2::XMLDocument& doc, const SAnimObject& o,
                            const std::map<int, std::string>& group) {
    std::string xml = o.particles->xml;
    if (!o.particles->binary.empty()) {
        vK_ByteBuffer buffer;
        buffer.Assign(o.particles->binary);
        vK_ByteReader reader(&buffer, 11);
        vK_PartSysImpl_Rnd system(true);
        system.SetResourceGroup(&group);
        if (system.LoadBinary(reader)) xml = WritePresetXml(system);
    }
    tinyxml2::XMLDocument source;
    XMLElement* ps = nullptr;
    if (source.Parse(xml.c_str()) == tinyxml2::XML_SUCCESS && source.RootElement()) {
        ps = source.RootElement()->DeepClone(&doc)->ToElement();
    }
    if (ps == nullptr) ps = doc.NewElement("ps");
    ps->SetName("ps");
    ps->DeleteAttribute("type");
    ps->SetAttribute("is_particle_free", o.particleFree ? 1 : 0);
    ps->SetAttribute("is_ps_process_loop", o.processLoop ? 1 : 0);
    return ps;
}

class XmlWriter {
public:
    explicit XmlWriter(const vK_ComplexAnimRes& res) : res_(res) {}

    std::string Write() {
        NameObjects(res_.objects);
        XMLElement* root = doc_.NewElement("animation");
        doc_.InsertEndChild(root);
        root->SetAttribute("type", "complex");
        if (res_.calcType) root->SetAttribute("calc_type", 1);
        XMLElement* objs = root->InsertNewChildElement("objs");
        for (const auto& o : res_.objects) Object(*objs, *o);
        XMLElement* funcs = root->InsertNewChildElement("funcs");
        for (const auto& [name, f] : res_.functions) Function(*funcs, f);
        tinyxml2::XMLPrinter printer;
        doc_.Print(&printer);
        return printer.CStr();
    }

private:
    void NameObjects(const std::vector<std::unique_ptr<SAnimObject>>& list) {
        for (const auto& o : list) {
            std::string name = o->name;
            if (name.empty() || used_.count(name)) name = "obj" + std::to_string(o->index);
            used_.insert(name);
            names_[o.get()] = name;
            NameObjects(o->children);
        }
    }

    static void Colour(XMLElement& e, const float* rgb) {
        e.SetAttribute("r", rgb[0]);
        e.SetAttribute("g", rgb[1]);
        e.SetAttribute("b", rgb[2]);
    }

    void Object(XMLElement& parent, const SAnimObject& o) {
        XMLElement* e = parent.InsertNewChildElement("obj");
        e->SetAttribute("name", names_[&o].c_str());
        if (!o.resource.empty()) e->SetAttribute("res", o.resource.c_str());
        if (!o.resourceTag.empty()) e->SetAttribute("res_tag", o.resourceTag.c_str());
        if (o.frame != 0) e->SetAttribute("frame", o.frame);
        if (o.drawOffX != 0) e->SetAttribute("drawoff_x", o.drawOffX);
        if (o.drawOffY != 0) e->SetAttribute("drawoff_y", o.drawOffY);
        if (o.posX != 0) e->SetAttribute("pos_x", o.posX);
        if (o.posY != 0) e->SetAttribute("pos_y", o.posY);
        if (o.posZ != 0) e->SetAttribute("pos_z", o.posZ);
        if (o.blend != 0) e->SetAttribute("blendmode", o.blend);
        if (o.subfunc) {
            e->SetAttribute("subfunc", 1);
            if (o.sbfloop) e->SetAttribute("sbfloop", 1);
        }
        if (!o.animTag.empty()) e->SetAttribute("anim_tag", o.animTag.c_str());
        if (o.blur != 0) e->SetAttribute("blur", o.blur);
        if (o.text) {
            const SAnimText& t = *o.text;
            const vK_TextStyle& s = t.style;
            XMLElement* te = e->InsertNewChildElement("text");
            te->SetAttribute("fname", t.font.c_str());
            te->SetAttribute("fsize", s.fontsize);
            te->SetAttribute("fstyle", s.fonttype);
            te->SetAttribute("format", (s.align & 3) | ((s.align_v & 3) << 2));
            Colour(*te, s.fontcolor);
            te->SetAttribute("line_spacing", s.linespacing);
            if (t.maxWidth > 0) te->SetAttribute("maxw", t.maxWidth);
            if (t.x != 0) te->SetAttribute("x", t.x);
            if (t.y != 0) te->SetAttribute("y", t.y);
            if (s.display_outline) {
                XMLElement* oe = te->InsertNewChildElement("outline");
                Colour(*oe, s.outline_color);
                oe->SetAttribute("a", s.outline_alpha);
                oe->SetAttribute("size", s.outline_size);
            }
            if (s.display_shadow) {
                XMLElement* se = te->InsertNewChildElement("shadow");
                Colour(*se, s.shadow_color);
                se->SetAttribute("a", s.shadow_aplha);
                se->SetAttribute("x", s.shadow_pos_x);
                se->SetAttribute("y", s.shadow_pos_y);
            }
        }
        if (!o.depends.empty()) {
            XMLElement* de = e->InsertNewChildElement("depend_params");
            for (const SDependendParam& p : o.depends) {
                const char* name = vK_AnimParam::Name(p.code);
                de->SetAttribute(name ? name : "unknown", p.depends ? 1 : 0);
            }
        }
        if (o.particles) e->InsertEndChild(ParticleElement(doc_, o, res_.resourceGroup));
        for (const auto& c : o.children) Object(*e, *c);
    }

    void Function(XMLElement& parent, const SFunction& f) {
        XMLElement* fe = parent.InsertNewChildElement("func");
        fe->SetAttribute("name", f.name.c_str());
        fe->SetAttribute("loop", f.loop ? 1 : 0);
        for (const auto& [index, fo] : f.objects) {
            const SAnimObject* o = res_.FindObjectByIndex(index);
            if (o == nullptr) continue;
            XMLElement* oe = fe->InsertNewChildElement("obj");
            oe->SetAttribute("name", names_[o].c_str());
            if (o->particles && o->psFrameIndex != 0)
                oe->InsertNewChildElement("ps")->SetAttribute("ps_fr_index", o->psFrameIndex);
            for (const SAnimLine& line : fo.lines) Line(*oe, line);
        }
    }

    static void Line(XMLElement& parent, const SAnimLine& line) {
        XMLElement* ae = parent.InsertNewChildElement("anim");
        if (const char* name = vK_AnimParam::Name(line.code)) ae->SetAttribute("tp", name);
        ae->SetAttribute("loop", line.loop ? 1 : 0);
        if (line.loopFrame != 0) ae->SetAttribute("loop_frame", line.loopFrame);
        if (line.code == vK_AnimParam::kGrid && !line.triangles.empty()) {
            XMLElement* te = ae->InsertNewChildElement("triangles");
            for (const STriangle& t : line.triangles) {
                XMLElement* tr = te->InsertNewChildElement("tr");
                tr->SetAttribute("v0", t.v0);
                tr->SetAttribute("v1", t.v1);
                tr->SetAttribute("v2", t.v2);
            }
        }
        for (const SFrame& f : line.frames) {
            XMLElement* fr = ae->InsertNewChildElement("fr");
            fr->SetAttribute("t", f.t);
            if (line.code == vK_AnimParam::kText) {
                fr->SetAttribute("v", f.text.c_str());
            } else {
                fr->SetAttribute("v", f.v);
            }
            if (f.interpolation != 0) fr->SetAttribute("i", f.interpolation);
            if (line.code != vK_AnimParam::kText) {
                if (f.fm_t != f.t) fr->SetAttribute("fm_t", f.fm_t);
                if (f.fm_v != f.v) fr->SetAttribute("fm_v", f.fm_v);
                if (f.bm_t != f.t) fr->SetAttribute("bm_t", f.bm_t);
                if (f.bm_v != f.v) fr->SetAttribute("bm_v", f.bm_v);
            }
            if (!f.tag.empty()) fr->SetAttribute("tag", f.tag.c_str());
            if (!f.vertices.empty()) {
                XMLElement* vs = fr->InsertNewChildElement("vertexs");
                for (const SVertex& v : f.vertices) {
                    XMLElement* ve = vs->InsertNewChildElement("v");
                    ve->SetAttribute("x", v.x);
                    ve->SetAttribute("y", v.y);
                    ve->SetAttribute("tu", v.u);
                    ve->SetAttribute("tv", v.v);
                }
            }
        }
    }

    const vK_ComplexAnimRes& res_;
    tinyxml2::XMLDocument doc_;
    std::map<const SAnimObject*, std::string> names_;
    std::set<std::string> used_;
};

// ---- the dump ------------------------------------------------------------------------------

void Add(std::string& out, int indent, const char* format, ...) VK_PRINTF_FORMAT(3, 4);
void Add(std::string& out, int indent, const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    out.append(static_cast<size_t>(indent) * 2, ' ');
    out += line;
    out += '\n';
}

void DumpObject(std::string& out, const SAnimObject& o, int indent) {
    Add(out, indent,
        "object %d res=\"%s\" res_tag=\"%s\" frame=%d drawoff=(%g, %g) pos=(%g, %g, %g) blend=%d subfunc=%d "
        "sbfloop=%d anim_tag=\"%s\" blur=%g",
        o.index, o.resource.c_str(), o.resourceTag.c_str(), o.frame, o.drawOffX, o.drawOffY, o.posX, o.posY,
        o.posZ, o.blend, o.subfunc, o.sbfloop, o.animTag.c_str(), o.blur);
    if (o.particles)
        Add(out, indent + 1, "particles free=%d process_loop=%d frame_index=%d", o.particleFree ? 1 : 0,
            o.processLoop ? 1 : 0, o.psFrameIndex);
    if (o.text) {
        const vK_TextStyle& s = o.text->style;
        Add(out, indent + 1,
            "text font=\"%s\" size=%d style=%d align=%d/%d colour=(%.3f, %.3f, %.3f) spacing=%g at (%g, %g) "
            "maxw=%d outline=%d shadow=%d",
            o.text->font.c_str(), s.fontsize, s.fonttype, s.align, s.align_v, s.fontcolor[0], s.fontcolor[1],
            s.fontcolor[2], s.linespacing, o.text->x, o.text->y, o.text->maxWidth, s.display_outline,
            s.display_shadow);
    }
    for (const SDependendParam& p : o.depends)
        Add(out, indent + 1, "depends %d=%d", p.code, p.depends ? 1 : 0);
    if (o.gridIndices) Add(out, indent + 1, "grid indices %zu", o.gridIndices->size());
    for (const auto& c : o.children) DumpObject(out, *c, indent + 1);
}

}  // namespace

std::string WriteComplexAnimXml(const vK_ComplexAnimRes& res) { return XmlWriter(res).Write(); }

std::string DumpComplexAnim(const vK_ComplexAnimRes& res) {
    std::string out;
    Add(out, 0, "complex animation calc_type=%d", res.calcType ? 1 : 0);
    for (const auto& o : res.objects) DumpObject(out, *o, 1);
    for (const auto& [name, f] : res.functions) {
        Add(out, 0, "function \"%s\" loop=%d length=%g", name.c_str(), f.loop ? 1 : 0, f.length);
        for (const auto& [index, fo] : f.objects) {
            Add(out, 1, "object %d", index);
            for (const SAnimLine& line : fo.lines) {
                Add(out, 2, "line %d loop=%d loop_frame=%d triangles=%zu", line.code, line.loop ? 1 : 0,
                    line.loopFrame, line.triangles.size());
                for (const SFrame& k : line.frames) {
                    if (line.code == vK_AnimParam::kText) {
                        Add(out, 3, "t=%g i=%d tag=\"%s\" text=\"%s\"", k.t, k.interpolation, k.tag.c_str(),
                            k.text.c_str());
                        continue;
                    }
                    Add(out, 3, "t=%g v=%.5g i=%d fm=(%g, %.5g) bm=(%g, %.5g) tag=\"%s\" vertices=%zu", k.t,
                        k.v, k.interpolation, k.fm_t, k.fm_v, k.bm_t, k.bm_v, k.tag.c_str(),
                        k.vertices.size());
                    for (const SVertex& v : k.vertices)
                        Add(out, 4, "vertex (%g, %g) uv (%g, %g)", v.x, v.y, v.u, v.v);
                }
            }
        }
    }
    // Sorted: the binary form finds the tags in another order.
    std::vector<std::string> sorted = res.frameTags;
    std::sort(sorted.begin(), sorted.end());
    std::string tags;
    for (const std::string& t : sorted) tags += " \"" + t + "\"";
    Add(out, 0, "frame tags:%s", tags.c_str());
    std::string names;
    for (const std::string& n : res.objectNames) names += " \"" + n + "\"";
    Add(out, 0, "resource tags:%s", names.c_str());
    return out;
}
