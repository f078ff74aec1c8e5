// Reading random-emitter presets: the ".xml" description and the tagged binary ".prst".
#include <tinyxml2.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/data.h"
#include "files/byte_buffer.h"
#include "files/byte_reader.h"
#include "files/tagged_reader.h"
#include "particles/part_sys_impl_rnd.h"
#include "particles/preset_attributes.h"
#include "particles/prst_format.h"

const char* const vK_PartSysImpl_Rnd::kCurveNames[kCurveCount] = {"pos_x",
                                                                  "pos_y",
                                                                  "emitter_speed_x",
                                                                  "emitter_speed_y",
                                                                  "emitter_acceleration_x",
                                                                  "emitter_acceleration_y",
                                                                  "emitter_direction",
                                                                  "emitter_torsion",
                                                                  "scope_x",
                                                                  "scope_y",
                                                                  "direction",
                                                                  "spread",
                                                                  "part_count",
                                                                  "part_lifetime",
                                                                  "torsion",
                                                                  "delay",
                                                                  "speed_x",
                                                                  "speed_y",
                                                                  "acceleration_x",
                                                                  "acceleration_y",
                                                                  "gravity",
                                                                  "scale_x",
                                                                  "scale_y",
                                                                  "angle",
                                                                  "rotate_speed",
                                                                  "alpha",
                                                                  "color_r",
                                                                  "color_g",
                                                                  "color_b"};

const char* const vK_PartSysImpl_Rnd::kGroupNames[kGroupCount] = {
    "pos", "scope", "speed", "acceleration", "scale", "emitter_speed", "emitter_acceleration"};

namespace {
using SPoint = vK_PartSysImpl_Rnd::SPoint;
using SParam = vK_PartSysImpl_Rnd::SParam;
using SEmitter = vK_PartSysImpl_Rnd::SEmitter;
using SEmitterLink = vK_PartSysImpl_Rnd::SEmitterLink;
using SEmitterMask = vK_PartSysImpl_Rnd::SEmitterMask;

using vK_PresetXml::FloatAttr;
using vK_PresetXml::IntAttr;
using vK_PresetXml::StrAttr;

void ReadCurve(const tinyxml2::XMLElement& e, SParam& curve) {
    curve.delta = FloatAttr(e, "delta");
    curve.loop = IntAttr(e, "loop") == 1;
    curve.points.clear();
    for (const tinyxml2::XMLElement* p = e.FirstChildElement("p"); p; p = p->NextSiblingElement("p")) {
        SPoint point;
        point.t = FloatAttr(*p, "t");
        point.v = FloatAttr(*p, "v");
        point.mf_v = FloatAttr(*p, "mf_v");
        point.mf_t = FloatAttr(*p, "mf_t");
        point.mb_v = FloatAttr(*p, "mb_v");
        point.mb_t = FloatAttr(*p, "mb_t");
        curve.points.push_back(point);
    }
}

void ReadEmitterXml(const tinyxml2::XMLElement& x, SEmitter& e, bool old_format) {
    e.id = IntAttr(x, "id", 0xFFFF);
    e.name = StrAttr(x, "name");
    e.level = IntAttr(x, "level");
    e.frame_index = IntAttr(x, "frame_index");
    e.texture_name = StrAttr(x, "res");
    e.lifetime = FloatAttr(x, "lifetime");
    e.preprocess_time = FloatAttr(x, "preprocess_time");
    e.playing = IntAttr(x, "playing") == 1;
    e.loop = IntAttr(x, "loop") == 1;
    e.pos_mode = IntAttr(x, "pos_mode");
    e.blend = IntAttr(x, "blendmode");
    if (const tinyxml2::XMLElement* d = x.FirstChildElement("delta")) {
        for (int g = 0; g < vK_PartSysImpl_Rnd::kGroupCount; ++g)
            e.group_delta[g] = FloatAttr(*d, vK_PartSysImpl_Rnd::kGroupNames[g]);
    }
    for (int c = 0; c < vK_PartSysImpl_Rnd::kEmitterCurveCount; ++c) {
        if (const tinyxml2::XMLElement* ce = x.FirstChildElement(vK_PartSysImpl_Rnd::kCurveNames[c]))
            ReadCurve(*ce, e.curves[c]);
    }
    if (old_format) {
        // Old presets count particles per second of the cycle.
        for (SPoint& p : e.curves[vK_PartSysImpl_Rnd::kPartCount].points) {
            p.v *= e.lifetime;
            p.mf_v *= e.lifetime;
            p.mb_v *= e.lifetime;
        }
    }
    if (const tinyxml2::XMLElement* parts = x.FirstChildElement("particles")) {
        for (int c = vK_PartSysImpl_Rnd::kEmitterCurveCount; c < vK_PartSysImpl_Rnd::kCurveCount; ++c) {
            const char* name = vK_PartSysImpl_Rnd::kCurveNames[c];
            if (old_format && (c == vK_PartSysImpl_Rnd::kSpeedX || c == vK_PartSysImpl_Rnd::kSpeedY))
                name = "speed";
            if (const tinyxml2::XMLElement* ce = parts->FirstChildElement(name)) ReadCurve(*ce, e.curves[c]);
        }
        for (const tinyxml2::XMLElement* l = parts->FirstChildElement("emit_link"); l;
             l = l->NextSiblingElement("emit_link")) {
            SEmitterLink link;
            link.target_id = IntAttr(*l, "id", -1);
            link.target_name = StrAttr(*l, "name");
            link.fraction = FloatAttr(*l, "fraction");
            link.start_time = FloatAttr(*l, "start_time");
            link.period = FloatAttr(*l, "period_time");
            link.startup_mode = IntAttr(*l, "startup_mode");
            e.links.push_back(link);
        }
    }
    if (const tinyxml2::XMLElement* m = x.FirstChildElement("mask")) {
        e.mask.present = true;
        e.mask.texture_name = StrAttr(*m, "res");
        e.mask.angle = FloatAttr(*m, "angle");
        e.mask.scale_x = FloatAttr(*m, "scale_x", 1.0f);
        e.mask.scale_y = FloatAttr(*m, "scale_y", 1.0f);
        e.mask.frame_index = IntAttr(*m, "frame_index");
        e.mask.blend = IntAttr(*m, "blendmode");
    }
}

// ---- binary bodies ------------------------------------------------------------------
// Wire types per id: uint8 flags and modes, uint16 ids and frames, float values,
// embedded objects for curves, handles and the mask, uint8-counted link arrays and
// uint16-counted point, emitter and resource arrays.

bool ReadHandle(vK_TaggedReader& r, float& value, float& time) {
    return r.ReadObject([&](uint8_t id) {
        if (id == 1) return r.F32(time);
        if (id == 2) return r.F32(value);
        return false;
    });
}

bool ReadPoint(vK_TaggedReader& r, SPoint& p) {
    return r.ReadObject([&](uint8_t id) {
        switch (id) {
            case 1:
                return r.F32(p.t);
            case 2:
                return r.F32(p.v);
            case 3:
                return ReadHandle(r, p.mf_v, p.mf_t);
            case 4:
                return ReadHandle(r, p.mb_v, p.mb_t);
            default:
                return false;
        }
    });
}

bool ReadParam(vK_TaggedReader& r, SParam& c) {
    return r.ReadObject([&](uint8_t id) {
        switch (id) {
            case 1:
                return r.F32(c.delta);
            case 2:
                return r.Bool8(c.loop);
            case 3:
                return r.ReadArray(vK_PrstWire::kPoints, [&]() {
                    c.points.emplace_back();
                    return ReadPoint(r, c.points.back());
                });
            default:
                return false;
        }
    });
}

bool ReadLink(vK_TaggedReader& r, SEmitterLink& l) {
    return r.ReadObject([&](uint8_t id) {
        switch (id) {
            case 1:
                return r.I32(l.target_id);
            case 2:
                return r.F32(l.fraction);
            case 3:
                return r.F32(l.start_time);
            case 4:
                return r.F32(l.period);
            case 5:
                return r.U8(l.startup_mode);
            default:
                return false;
        }
    });
}

bool ReadMask(vK_TaggedReader& r, SEmitterMask& m) {
    m.present = true;
    return r.ReadObject([&](uint8_t id) {
        switch (id) {
            case 1:
                return r.U16(m.resource_id);
            case 2:
                return r.F32(m.angle);
            case 3:
                return r.F32(m.scale_x);
            case 4:
                return r.F32(m.scale_y);
            case 5:
                return r.U16(m.frame_index);
            case 6:
                return r.U8(m.blend);
            default:
                return false;
        }
    });
}

bool ReadEmitter(vK_TaggedReader& r, SEmitter& e) {
    return r.ReadObject([&](uint8_t id) {
        if (id >= 21 && id <= 27) return r.F32(e.group_delta[id - 21]);
        if (id >= 31 && id <= 46) return ReadParam(r, e.curves[id - 31]);
        if (id >= 51 && id <= 63)
            return ReadParam(r, e.curves[vK_PartSysImpl_Rnd::kEmitterCurveCount + id - 51]);
        switch (id) {
            case 1:
                return r.U16(e.id);
            case 2:
                return r.U8(e.pos_mode);
            case 3:
                return r.U8(e.level);
            case 4:
                return r.U16(e.resource_id);
            case 5:
                return r.U16(e.frame_index);
            case 6:
                return r.F32(e.lifetime);
            case 7:
                return r.Bool8(e.playing);
            case 8:
                return r.Bool8(e.loop);
            case 9:
                return r.F32(e.preprocess_time);
            case 10:
                return r.U8(e.blend);
            case 71:
                return r.ReadArray(vK_PrstWire::kLinks, [&]() {
                    e.links.emplace_back();
                    return ReadLink(r, e.links.back());
                });
            case 72:
                return ReadMask(r, e.mask);
            default:
                return false;
        }
    });
}

bool ReadGroup(vK_TaggedReader& r, std::map<int, std::string>& group) {
    return r.ReadObject([&](uint8_t id) {
        if (id != 1) return false;
        return r.ReadArray(vK_PrstWire::kResources, [&]() {
            int res_id = 0;
            std::string name;
            const bool ok = r.ReadObject([&](uint8_t fid) {
                if (fid == 1) return r.U16(res_id);
                if (fid == 2) return r.Str(name);
                return false;
            });
            if (ok) group[res_id] = name;
            return ok;
        });
    });
}

void ParseVersion(const std::string& v, int& major, int& minor) {
    major = !v.empty() && v[0] >= '0' && v[0] <= '9' ? v[0] - '0' : 0;
    minor = v.size() > 2 && v[2] >= '0' && v[2] <= '9' ? v[2] - '0' : 0;
}
}  // namespace

// Reads the system's own body; a friend of the implementation.
class vK_PrstReader {
public:
    static bool Read(vK_PartSysImpl_Rnd& s, vK_TaggedReader& r) {
        return r.ReadObject([&](uint8_t id) {
            switch (id) {
                case 1:
                    return r.Str(s.name_);
                case 3:
                    return r.Str(s.version_);
                case 4:
                    return r.Bool8(s.free_);
                case 5:
                    s.ownGroup_.clear();
                    if (!ReadGroup(r, s.ownGroup_)) return false;
                    s.groupInUse_ = &s.ownGroup_;
                    return true;
                case 6:
                    return r.ReadArray(vK_PrstWire::kEmitters, [&]() {
                        auto e = std::make_unique<SEmitter>();
                        const std::map<int, std::string>* group = s.groupInUse_;
                        if (!ReadEmitter(r, *e)) return false;
                        if (group) {
                            auto found = group->find(e->resource_id);
                            if (found != group->end()) e->texture_name = found->second;
                            if (e->mask.present) {
                                found = group->find(e->mask.resource_id);
                                if (found != group->end()) e->mask.texture_name = found->second;
                            }
                        }
                        s.templates_.push_back(std::move(e));
                        return true;
                    });
                default:
                    return false;
            }
        });
    }
};

bool vK_PartSysImpl_Rnd::LoadBinary(vK_ByteReader& reader) {
    templates_.clear();
    ClearRunning();
    vK_TaggedReader r(reader);
    if (!vK_PrstReader::Read(*this, r)) {
        templates_.clear();
        return false;
    }
    ParseVersion(version_, versionMajor_, versionMinor_);
    FinishLoad();
    return true;
}

bool vK_PartSysImpl_Rnd::LoadXml(const tinyxml2::XMLElement& root) {
    templates_.clear();
    ClearRunning();
    name_ = StrAttr(root, "name");
    const char* ver = root.Attribute("ver");
    version_ = ver ? ver : "";
    ParseVersion(version_, versionMajor_, versionMinor_);
    free_ = IntAttr(root, "free") == 1;
    for (const tinyxml2::XMLElement* x = root.FirstChildElement("emit"); x;
         x = x->NextSiblingElement("emit")) {
        auto e = std::make_unique<SEmitter>();
        ReadEmitterXml(*x, *e, ver == nullptr);
        templates_.push_back(std::move(e));
    }
    FinishLoad();
    return true;
}
