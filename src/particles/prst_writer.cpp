// Writing random-emitter presets (tools/vkprst and the tests): the tagged binary body
// that prst_reader.cpp reads, and the ".xml" description.
#include <tinyxml2.h>

#include <cstdio>
#include <map>

#include "files/tagged_writer.h"
#include "particles/part_sys_impl_rnd.h"
#include "particles/prst_format.h"

namespace {
using Rnd = vK_PartSysImpl_Rnd;

void WriteParam(vK_TaggedWriter& w, uint8_t id, const Rnd::SParam& c) {
    if (c.points.empty() && c.delta == 0.0f && !c.loop) return;
    w.Byte(id);
    w.F32(1, c.delta);
    if (c.loop) w.U8(2, 1);
    if (!c.points.empty()) {
        w.Byte(3);
        w.Count(vK_PrstWire::kPoints, c.points.size());
        for (const Rnd::SPoint& p : c.points) {
            w.F32(1, p.t);
            w.F32(2, p.v);
            w.Byte(3);
            w.F32(1, p.mf_t);
            w.F32(2, p.mf_v);
            w.End();
            w.Byte(4);
            w.F32(1, p.mb_t);
            w.F32(2, p.mb_v);
            w.End();
            w.End();
        }
    }
    w.End();
}

int ResourceId(std::map<std::string, int>& ids, const std::string& name) {
    auto found = ids.find(name);
    if (found != ids.end()) return found->second;
    const int id = static_cast<int>(ids.size()) + 1;
    ids[name] = id;
    return id;
}

int EmitterId(const Rnd::SEmitter& e, size_t index) {
    return e.id != 0xFFFF ? e.id : static_cast<int>(index);
}

// Nine significant digits give every float back exactly.
void PutFloat(tinyxml2::XMLElement* e, const char* name, float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(v));
    e->SetAttribute(name, text);
}
void SetFloat(tinyxml2::XMLElement* e, const char* name, float v) {
    if (v != 0.0f) PutFloat(e, name, v);
}
void SetInt(tinyxml2::XMLElement* e, const char* name, int v) {
    if (v != 0) e->SetAttribute(name, v);
}

void WriteCurveXml(tinyxml2::XMLElement* parent, const char* name, const Rnd::SParam& c) {
    if (c.points.empty() && c.delta == 0.0f && !c.loop) return;
    tinyxml2::XMLElement* e = parent->InsertNewChildElement(name);
    PutFloat(e, "delta", c.delta);
    if (c.loop) e->SetAttribute("loop", 1);
    for (const Rnd::SPoint& p : c.points) {
        tinyxml2::XMLElement* pe = e->InsertNewChildElement("p");
        PutFloat(pe, "t", p.t);
        PutFloat(pe, "v", p.v);
        SetFloat(pe, "mf_v", p.mf_v);
        SetFloat(pe, "mf_t", p.mf_t);
        SetFloat(pe, "mb_v", p.mb_v);
        SetFloat(pe, "mb_t", p.mb_t);
    }
}
}  // namespace

bool WritePrst(const vK_PartSysImpl_Rnd& preset, std::vector<uint8_t>& out, std::string& error) {
    out.clear();
    const auto& templates = preset.GetTemplates();
    if (templates.size() > 65535) {
        error = "more than 65535 emitters";
        return false;
    }
    std::map<std::string, int> res_ids;
    for (const auto& t : templates) {
        if (!t->texture_name.empty()) ResourceId(res_ids, t->texture_name);
        if (t->mask.present && !t->mask.texture_name.empty()) ResourceId(res_ids, t->mask.texture_name);
    }
    vK_TaggedWriter w(out);
    w.Header(vK_PrstWire::kContext, vK_PrstWire::kMarker, vK_PrstWire::kKind);
    if (!w.Str(1, preset.GetName()) || !w.Str(3, preset.GetVersion())) {
        error = "the name or version is longer than 255 bytes";
        return false;
    }
    if (preset.IsFree()) w.U8(4, 1);
    if (!res_ids.empty()) {
        w.Byte(5);
        w.Byte(1);
        w.Count(vK_PrstWire::kResources, res_ids.size());
        for (const auto& [name, id] : res_ids) {
            w.U16(1, id);
            if (!w.Str(2, name)) {
                error = "texture name longer than 255 bytes: " + name.substr(0, 40) + "...";
                return false;
            }
            w.End();
        }
        w.End();
    }
    w.Byte(6);
    w.Count(vK_PrstWire::kEmitters, templates.size());
    for (size_t i = 0; i < templates.size(); ++i) {
        const Rnd::SEmitter& e = *templates[i];
        w.U16(1, EmitterId(e, i));
        w.U8(2, e.pos_mode);
        w.U8(3, e.level);
        if (!e.texture_name.empty()) w.U16(4, res_ids[e.texture_name]);
        w.U16(5, e.frame_index);
        w.F32(6, e.lifetime);
        w.U8(7, e.playing ? 1 : 0);
        w.U8(8, e.loop ? 1 : 0);
        w.F32(9, e.preprocess_time);
        w.U8(10, e.blend);
        for (int g = 0; g < Rnd::kGroupCount; ++g) {
            if (e.group_delta[g] != 0.0f) w.F32(static_cast<uint8_t>(21 + g), e.group_delta[g]);
        }
        for (int c = 0; c < Rnd::kCurveCount; ++c) {
            const int id = c < Rnd::kEmitterCurveCount ? 31 + c : 51 + c - Rnd::kEmitterCurveCount;
            if (e.curves[c].points.size() > 65535) {
                error = "a curve has more than 65535 points";
                return false;
            }
            WriteParam(w, static_cast<uint8_t>(id), e.curves[c]);
        }
        if (!e.links.empty()) {
            if (e.links.size() > 255) {
                error = "an emitter has more than 255 links";
                return false;
            }
            w.Byte(71);
            w.Count(vK_PrstWire::kLinks, e.links.size());
            for (const Rnd::SEmitterLink& link : e.links) {
                const Rnd::SEmitter* target = preset.FindLinkTarget(link);
                if (!target) {
                    error = "emitter " + std::to_string(i) + " links to a missing emitter \"" +
                            link.target_name + "\"";
                    return false;
                }
                size_t index = 0;
                while (templates[index].get() != target) ++index;
                w.I32(1, EmitterId(*target, index));
                w.F32(2, link.fraction);
                w.F32(3, link.start_time);
                w.F32(4, link.period);
                w.U8(5, link.startup_mode);
                w.End();
            }
        }
        if (e.mask.present) {
            w.Byte(72);
            if (!e.mask.texture_name.empty()) w.U16(1, res_ids[e.mask.texture_name]);
            w.F32(2, e.mask.angle);
            w.F32(3, e.mask.scale_x);
            w.F32(4, e.mask.scale_y);
            w.U16(5, e.mask.frame_index);
            w.U8(6, e.mask.blend);
            w.End();
        }
        w.End();
    }
    w.End();
    return true;
}

std::string WritePresetXml(const vK_PartSysImpl_Rnd& preset) {
    tinyxml2::XMLDocument doc;
    doc.InsertEndChild(doc.NewDeclaration());
    tinyxml2::XMLElement* root = doc.NewElement("ps");
    doc.InsertEndChild(root);
    root->SetAttribute("type", "rnd");
    if (!preset.GetName().empty()) root->SetAttribute("name", preset.GetName().c_str());
    // Without "ver" a reader would take the old format and scale the counts again.
    root->SetAttribute("ver", preset.GetVersion().empty() ? "0.0" : preset.GetVersion().c_str());
    if (preset.IsFree()) root->SetAttribute("free", 1);
    const auto& templates = preset.GetTemplates();
    for (size_t i = 0; i < templates.size(); ++i) {
        const Rnd::SEmitter& e = *templates[i];
        tinyxml2::XMLElement* x = root->InsertNewChildElement("emit");
        x->SetAttribute("id", EmitterId(e, i));
        if (!e.name.empty()) x->SetAttribute("name", e.name.c_str());
        SetInt(x, "level", e.level);
        SetInt(x, "frame_index", e.frame_index);
        if (!e.texture_name.empty()) x->SetAttribute("res", e.texture_name.c_str());
        PutFloat(x, "lifetime", e.lifetime);
        SetFloat(x, "preprocess_time", e.preprocess_time);
        SetInt(x, "playing", e.playing ? 1 : 0);
        SetInt(x, "loop", e.loop ? 1 : 0);
        SetInt(x, "pos_mode", e.pos_mode);
        SetInt(x, "blendmode", e.blend);
        tinyxml2::XMLElement* d = x->InsertNewChildElement("delta");
        for (int g = 0; g < Rnd::kGroupCount; ++g) PutFloat(d, Rnd::kGroupNames[g], e.group_delta[g]);
        for (int c = 0; c < Rnd::kEmitterCurveCount; ++c) WriteCurveXml(x, Rnd::kCurveNames[c], e.curves[c]);
        tinyxml2::XMLElement* parts = x->InsertNewChildElement("particles");
        for (int c = Rnd::kEmitterCurveCount; c < Rnd::kCurveCount; ++c)
            WriteCurveXml(parts, Rnd::kCurveNames[c], e.curves[c]);
        for (const Rnd::SEmitterLink& link : e.links) {
            tinyxml2::XMLElement* l = parts->InsertNewChildElement("emit_link");
            const Rnd::SEmitter* target = preset.FindLinkTarget(link);
            size_t index = 0;
            while (target && templates[index].get() != target) ++index;
            l->SetAttribute("id", target ? EmitterId(*target, index) : link.target_id);
            if (target && !target->name.empty()) l->SetAttribute("name", target->name.c_str());
            PutFloat(l, "fraction", link.fraction);
            PutFloat(l, "start_time", link.start_time);
            PutFloat(l, "period_time", link.period);
            l->SetAttribute("startup_mode", link.startup_mode);
        }
        if (e.mask.present) {
            tinyxml2::XMLElement* m = x->InsertNewChildElement("mask");
            if (!e.mask.texture_name.empty()) m->SetAttribute("res", e.mask.texture_name.c_str());
            PutFloat(m, "angle", e.mask.angle);
            PutFloat(m, "scale_x", e.mask.scale_x);
            PutFloat(m, "scale_y", e.mask.scale_y);
            SetInt(m, "frame_index", e.mask.frame_index);
            SetInt(m, "blendmode", e.mask.blend);
        }
    }
    tinyxml2::XMLPrinter printer;
    doc.Print(&printer);
    return printer.CStr();
}
