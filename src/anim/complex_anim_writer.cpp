// Writing complex animations as ".anm" and ".xml", and the readable dump.
#include "anim/complex_anim_writer.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "anim/complex_anim_res.h"
#include "files/tagged_writer.h"
#include "graphics/matrix.h"
#include "particles/part_sys_impl_rnd.h"
#include "particles/prst_format.h"

namespace {

// Key-frame values in binary units: colours and alpha 0..255, angles in degrees.
float ToBinaryValue(int code, float v) {
    if (code == vK_AnimParam::kAlpha || code == vK_AnimParam::kRed || code == vK_AnimParam::kGreen ||
        code == vK_AnimParam::kBlue)
        return v * 255.0f;
    if (code == vK_AnimParam::kAngle) return v * 180.0f / kPi;
    return v;
}

int Byte255(float v) { return static_cast<int>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

// The body of an embedded random-emitter system (the ".prst" encoding without its header).
bool ParticleBody(const SParticleSource& source, std::vector<uint8_t>& body, std::string& error) {
    if (!source.binary.empty()) {
        body = source.binary;
        return true;
    }
    tinyxml2::XMLDocument document;
    vK_PartSysImpl_Rnd system(true);
    if (document.Parse(source.xml.c_str()) != tinyxml2::XML_SUCCESS || !document.RootElement() ||
        !system.LoadXml(*document.RootElement())) {
        error = "an embedded particle system cannot be read";
        return false;
    }
    std::vector<uint8_t> file;
    if (!WritePrst(system, file, error)) return false;
    // Header: context byte, marker byte, the short string "rnd".
    const size_t header = file.size() >= 3 ? 3u + file[2] : file.size();
    body.assign(file.begin() + static_cast<std::ptrdiff_t>(std::min(header, file.size())), file.end());
    return true;
}

class AnmWriter {
public:
    AnmWriter(const vK_ComplexAnimRes& res, vK_TaggedWriter& w) : res_(res), w_(w) {}

    void Body() {
        CollectNames(res_.objects);
        if (res_.calcType) w_.U8(2, 1, "calc_type");
        if (!resourceIds_.empty()) {
            w_.Byte(3);
            Count16(1, resourceIds_.size(), "number of textures");
            for (const auto& [name, id] : resourceIds_) {
                w_.U16(1, id, "texture id");
                w_.Str(2, name);
                w_.End();
            }
            w_.End();
        }
        // The font table precedes the objects: their texts look their font up in it.
        if (!fontTags_.empty()) {
            w_.Byte(6);
            w_.Count(12, fontTags_.size());
            for (const auto& [name, tag] : fontTags_) {
                w_.RawString(name);
                w_.Byte(tag);
            }
        }
        Count16(4, res_.objects.size(), "number of objects");
        for (const auto& o : res_.objects) Object(*o);
        Count16(5, res_.functions.size(), "number of functions");
        for (const auto& [name, f] : res_.functions) Function(f);
        w_.End();
    }

private:
    // An object array with a two-byte count.
    void Count16(uint8_t id, size_t n, const char* what) {
        w_.Byte(id);
        w_.Count(13, n, what);
    }

    void CollectNames(const std::vector<std::unique_ptr<SAnimObject>>& list) {
        for (const auto& o : list) {
            if (!o->resource.empty() && !resourceIds_.count(o->resource)) {
                const int id = static_cast<int>(resourceIds_.size()) + 1;
                resourceIds_[o->resource] = id;
            }
            if (o->text && !o->text->font.empty() && !fontTags_.count(o->text->font)) {
                const int tag = static_cast<int>(fontTags_.size()) + 1;
                if (tag > 255) w_.Fail("more than 255 fonts");
                fontTags_[o->text->font] = tag;
            }
            CollectNames(o->children);
        }
    }

    void Object(const SAnimObject& o) {
        w_.U16(1, o.index, "object index");
        if (o.drawOffX != 0) w_.F32(2, o.drawOffX);
        if (o.drawOffY != 0) w_.F32(3, o.drawOffY);
        if (o.blend != 0) w_.U8(4, o.blend, "blend mode");
        if (o.posX != 0) w_.F32(5, o.posX);
        if (o.posY != 0) w_.F32(6, o.posY);
        if (o.posZ != 0) w_.F32(7, o.posZ);
        w_.Str(8, o.animTag);
        if (!o.resource.empty()) w_.U16(9, resourceIds_[o.resource], "texture id");
        if (o.frame != 0) w_.U16(10, o.frame, "frame");
        if (o.subfunc) w_.U8(11, o.subfunc, "subfunc");
        if (o.sbfloop) w_.U8(12, o.sbfloop, "sbfloop");
        if (!o.depends.empty()) {
            w_.Byte(13);
            if (o.depends.size() > 255) w_.Fail("more than 255 dependent parameters");
            w_.Count(12, o.depends.size());
            for (const SDependendParam& p : o.depends) {
                w_.U8(1, p.code, "parameter code");
                w_.U8(2, p.depends ? 1 : 0, "depends");
                w_.End();
            }
        }
        if (o.particles) {
            w_.Byte(14);
            if (o.psFrameIndex != 0) w_.I16(1, o.psFrameIndex, "particle frame index");
            if (o.particleFree) w_.U8(2, 1, "is_particle_free");
            if (o.processLoop) w_.U8(3, 1, "is_ps_process_loop");
            std::vector<uint8_t> body;
            std::string error;
            if (!ParticleBody(*o.particles, body, error)) w_.Fail(error);
            w_.Byte(11);
            w_.Out().insert(w_.Out().end(), body.begin(), body.end());
            w_.End();
        }
        if (!o.children.empty()) {
            Count16(15, o.children.size(), "number of children");
            for (const auto& c : o.children) Object(*c);
        }
        if (o.text) Text(*o.text);
        w_.Str(17, o.resourceTag);
        if (o.blur != 0) w_.F32(18, o.blur);
        w_.End();
    }

    void Text(const SAnimText& t) {
        const vK_TextStyle& s = t.style;
        w_.Byte(16);
        if (!t.font.empty()) w_.U8(1, fontTags_[t.font], "font tag");
        w_.U8(2, s.fontsize, "font size");
        w_.U8(3, s.fonttype, "font style");
        w_.I32(4, (s.align & 3) | ((s.align_v & 3) << 2));
        w_.U8(5, Byte255(s.fontcolor[0]), "colour");
        w_.U8(6, Byte255(s.fontcolor[1]), "colour");
        w_.U8(7, Byte255(s.fontcolor[2]), "colour");
        w_.F32(10, s.linespacing);
        if (s.display_outline) {
            w_.U8(11, 1, "outline");
            w_.U8(12, Byte255(s.outline_color[0]), "colour");
            w_.U8(13, Byte255(s.outline_color[1]), "colour");
            w_.U8(14, Byte255(s.outline_color[2]), "colour");
            w_.U8(15, Byte255(s.outline_alpha), "colour");
            w_.U8(16, s.outline_size, "outline size");
        }
        if (s.display_shadow) {
            w_.U8(17, 1, "shadow");
            w_.U8(18, Byte255(s.shadow_color[0]), "colour");
            w_.U8(19, Byte255(s.shadow_color[1]), "colour");
            w_.U8(20, Byte255(s.shadow_color[2]), "colour");
            w_.U8(21, Byte255(s.shadow_aplha), "colour");
            w_.U8(22, static_cast<int>(s.shadow_pos_x), "shadow x");
            w_.U8(23, static_cast<int>(s.shadow_pos_y), "shadow y");
        }
        if (t.x != 0) w_.I16(31, static_cast<int>(t.x), "text x");
        if (t.y != 0) w_.I16(32, static_cast<int>(t.y), "text y");
        if (t.maxWidth > 0) w_.I16(33, t.maxWidth, "text width");
        w_.End();
    }

    void Function(const SFunction& f) {
        w_.Str(1, f.name);
        if (f.loop) w_.U8(2, 1, "loop");
        Count16(3, f.objects.size(), "number of animated objects");
        for (const auto& [index, fo] : f.objects) {
            w_.U16(1, index, "object index");
            w_.Byte(2);
            if (fo.lines.size() > 255) w_.Fail("more than 255 lines for one object");
            w_.Count(12, fo.lines.size());
            for (const SAnimLine& line : fo.lines) Line(line);
            w_.End();
        }
        w_.End();
    }

    void Line(const SAnimLine& line) {
        w_.U8(1, line.code, "parameter code");
        if (line.loop) w_.U8(2, 1, "loop");
        if (line.loopFrame != 0) w_.U16(3, line.loopFrame, "loop frame");
        Count16(4, line.frames.size(), "number of key frames");
        for (const SFrame& f : line.frames) {
            w_.F32(1, f.t);
            if (line.code == vK_AnimParam::kText) {
                if (f.interpolation != 0) w_.U8(3, std::clamp(f.interpolation, 0, 255), "interpolation");
                w_.Str(18, f.tag);
                w_.Str(19, f.text);
                w_.End();
                continue;
            }
            w_.F32(2, ToBinaryValue(line.code, f.v));
            if (f.interpolation != 0)
                w_.U8(3, f.interpolation >= 0 && f.interpolation <= 255 ? f.interpolation : 0,
                      "interpolation");
            w_.F32(4, f.bm_t);
            w_.F32(5, ToBinaryValue(line.code, f.bm_v));
            w_.F32(6, f.fm_t);
            w_.F32(7, ToBinaryValue(line.code, f.fm_v));
            if (!f.vertices.empty()) {
                Count16(8, f.vertices.size(), "number of vertices");
                for (const SVertex& v : f.vertices) {
                    w_.F32(1, v.x);
                    w_.F32(2, v.y);
                    w_.F32(3, v.u);
                    w_.F32(4, v.v);
                    w_.End();
                }
            }
            w_.Str(18, f.tag);
            w_.End();
        }
        if (!line.triangles.empty()) {
            Count16(5, line.triangles.size(), "number of triangles");
            for (const STriangle& t : line.triangles) {
                w_.U16(1, t.v0, "vertex index");
                w_.U16(2, t.v1, "vertex index");
                w_.U16(3, t.v2, "vertex index");
                w_.End();
            }
        }
        w_.End();
    }

    const vK_ComplexAnimRes& res_;
    vK_TaggedWriter& w_;
    std::map<std::string, int> resourceIds_;
    std::map<std::string, int> fontTags_;
};

}  // namespace

bool WriteAnm(const vK_ComplexAnimRes& res, std::vector<uint8_t>& out, std::string& error) {
    out.clear();
    error.clear();
    vK_TaggedWriter w(out);
    w.Header(vK_AnmWire::kContext, vK_AnmWire::kMarker, vK_AnmWire::kKind);
    AnmWriter(res, w).Body();
    if (w.Ok()) return true;
    out.clear();
    error = w.Error();
    return false;
}
