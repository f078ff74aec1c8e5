// The binary ".anm" form of complex animations: the records of the tagged format and
// their post-processing into the resource's data model.
#include <algorithm>

#include "anim/complex_anim_res.h"
#include "files/byte_buffer.h"
#include "files/byte_reader.h"
#include "files/log.h"
#include "graphics/matrix.h"
#include "particles/part_sys_impl_rnd.h"

namespace {

using vK_Field::Array;
using vK_Field::Objects;
using vK_Field::Value;

// Wire types used by the tables below.
constexpr int kU8 = 1, kI16 = 3, kU16 = 4, kI32 = 5, kF32 = 7, kStr = 8;
constexpr int kObjects8 = 12, kObjects16 = 13, kMap8 = 31;

float Div255(float v) { return v / 255.0f; }

// Key-frame values in binary files: colours and alpha as 0..255, angles in degrees.
float ConvertKeyValue(int code, float v) {
    if (code == vK_AnimParam::kAlpha || code == vK_AnimParam::kRed || code == vK_AnimParam::kGreen ||
        code == vK_AnimParam::kBlue)
        return v / 255.0f;
    if (code == vK_AnimParam::kAngle) return v * kPi / 180.0f;
    return v;
}

// Element records live in their owner's pending list until AddElement takes their
// contents over.
template <class T>
vK_SerializableObject* Push(std::vector<std::unique_ptr<vK_SerializableObject>>& pending,
                            std::unique_ptr<T> element) {
    vK_SerializableObject* raw = element.get();
    pending.push_back(std::move(element));
    return raw;
}
void Pop(std::vector<std::unique_ptr<vK_SerializableObject>>& pending, vK_SerializableObject* element) {
    if (!pending.empty() && pending.back().get() == element) pending.pop_back();
}

struct vK_SerializableResObject : vK_SerializableObjectImpl<vK_SerializableResObject> {
    int id = -1;
    std::string name;
    static void DescribeFields(vK_FieldTable& t) {
        t[1] = Value(kU16, &vK_SerializableResObject::id);
        t[2] = Value(kStr, &vK_SerializableResObject::name);
    }
    const char* TypeName() const override { return "vK_SerializableResObject"; }
};

struct vK_SerializableResObjectGroup : vK_SerializableObjectImpl<vK_SerializableResObjectGroup> {
    std::map<int, std::string> entries;
    std::vector<std::unique_ptr<vK_SerializableObject>> pending;
    static void DescribeFields(vK_FieldTable& t) {
        t[1] = Objects<vK_SerializableResObjectGroup>(kObjects16, [](vK_SerializableResObjectGroup& g) {
            return Push(g.pending, std::make_unique<vK_SerializableResObject>());
        });
    }
    void AddElement(uint8_t, vK_SerializableObject* e) override {
        auto* r = static_cast<vK_SerializableResObject*>(e);
        if (r->id >= 0) entries[r->id] = r->name;
        Pop(pending, e);
    }
    const char* TypeName() const override { return "vK_SerializableResObjectGroup"; }
};

struct DSVertex : SVertex, vK_SerializableObjectImpl<DSVertex> {
    static void DescribeFields(vK_FieldTable& t) {
        t[1] = Value<DSVertex>(kF32, &SVertex::x);
        t[2] = Value<DSVertex>(kF32, &SVertex::y);
        t[3] = Value<DSVertex>(kF32, &SVertex::u);
        t[4] = Value<DSVertex>(kF32, &SVertex::v);
    }
    const char* TypeName() const override { return "DSVertex"; }
};

struct DSTriangle : STriangle, vK_SerializableObjectImpl<DSTriangle> {
    static void DescribeFields(vK_FieldTable& t) {
        t[1] = Value<DSTriangle>(kU16, &STriangle::v0);
        t[2] = Value<DSTriangle>(kU16, &STriangle::v1);
        t[3] = Value<DSTriangle>(kU16, &STriangle::v2);
    }
    const char* TypeName() const override { return "DSTriangle"; }
};

// Shared by both key-frame records: the owning resource and the line's code.
struct FrameContext {
    vK_ComplexAnimRes* res = nullptr;
    int code = 0;
};

struct DSFrame : SFrame, vK_SerializableObjectImpl<DSFrame> {
    FrameContext ctx;
    std::vector<std::unique_ptr<vK_SerializableObject>> pending;
    explicit DSFrame(FrameContext c) : ctx(c) {}
    static void DescribeFields(vK_FieldTable& t) {
        const vK_Field::Conversion conv = [](vK_SerializableObject& o, float v) {
            return ConvertKeyValue(static_cast<DSFrame&>(o).ctx.code, v);
        };
        t[1] = Value<DSFrame>(kF32, &SFrame::t);
        t[2] = Value<DSFrame>(kF32, &SFrame::v, conv);
        t[3] = Value<DSFrame>(kU8, &SFrame::interpolation);
        t[4] = Value<DSFrame>(kF32, &SFrame::bm_t);
        t[5] = Value<DSFrame>(kF32, &SFrame::bm_v, conv);
        t[6] = Value<DSFrame>(kF32, &SFrame::fm_t);
        t[7] = Value<DSFrame>(kF32, &SFrame::fm_v, conv);
        t[8] = Objects<DSFrame>(kObjects16,
                                [](DSFrame& f) { return Push(f.pending, std::make_unique<DSVertex>()); });
        t[9] = Value<DSFrame>(kU8, &SFrame::v, conv);
        t[10] = Value<DSFrame>(kI16, &SFrame::v, conv);
        t[11] = Value<DSFrame>(kU8, &SFrame::v, conv);
        t[12] = Value<DSFrame>(kI16, &SFrame::bm_v, conv);
        t[13] = Value<DSFrame>(kI16, &SFrame::bm_v, conv);
        t[14] = Value<DSFrame>(kF32, &SFrame::bm_v, conv);
        t[15] = Value<DSFrame>(kI16, &SFrame::fm_v, conv);
        t[16] = Value<DSFrame>(kI16, &SFrame::fm_v, conv);
        t[17] = Value<DSFrame>(kF32, &SFrame::fm_v, conv);
        t[18] = Value<DSFrame>(kStr, &SFrame::tag);
    }
    void AddElement(uint8_t, vK_SerializableObject* e) override {
        vertices.push_back(*static_cast<DSVertex*>(e));
        Pop(pending, e);
    }
    void AfterRead() override {
        tagValue = v;
        if (!tag.empty() && ctx.res) vK_ComplexAnimRes::AddDistinct(ctx.res->frameTags, tag);
    }
    const char* TypeName() const override { return "DSFrame"; }
};

struct DSTextFrame : SFrame, vK_SerializableObjectImpl<DSTextFrame> {
    FrameContext ctx;
    explicit DSTextFrame(FrameContext c) : ctx(c) {}
    static void DescribeFields(vK_FieldTable& t) {
        t[1] = Value<DSTextFrame>(kF32, &SFrame::t);
        t[3] = Value<DSTextFrame>(kU8, &SFrame::interpolation);
        t[18] = Value<DSTextFrame>(kStr, &SFrame::tag);
        t[19] = Value<DSTextFrame>(kStr, &SFrame::text);
    }
    void AfterRead() override {
        if (!tag.empty() && ctx.res) vK_ComplexAnimRes::AddDistinct(ctx.res->frameTags, tag);
    }
    const char* TypeName() const override { return "DSTextFrame"; }
};

struct DSAnimLine : SAnimLine, vK_SerializableObjectImpl<DSAnimLine> {
    vK_ComplexAnimRes* res;
    std::vector<std::unique_ptr<vK_SerializableObject>> pending;
    explicit DSAnimLine(vK_ComplexAnimRes* r) : res(r) {}
    static void DescribeFields(vK_FieldTable& t) {
        t[1] = Value<DSAnimLine>(kU8, &SAnimLine::code);
        t[2] = Value<DSAnimLine>(kU8, &SAnimLine::loop);
        t[3] = Value<DSAnimLine>(kU16, &SAnimLine::loopFrame);
        // The line's code must come first: it chooses the record of the frames.
        t[4] = Objects<DSAnimLine>(kObjects16, [](DSAnimLine& l) -> vK_SerializableObject* {
            const FrameContext ctx{l.res, l.code};
            if (l.code == vK_AnimParam::kText) return Push(l.pending, std::make_unique<DSTextFrame>(ctx));
            return Push(l.pending, std::make_unique<DSFrame>(ctx));
        });
        t[5] = Objects<DSAnimLine>(
            kObjects16, [](DSAnimLine& l) { return Push(l.pending, std::make_unique<DSTriangle>()); });
    }
    void AddElement(uint8_t id, vK_SerializableObject* e) override {
        if (id == 5) {
            triangles.push_back(*static_cast<DSTriangle*>(e));
        } else if (auto* frame = dynamic_cast<SFrame*>(e)) {
            frames.push_back(*frame);
        }
        Pop(pending, e);
    }
    void AfterRead() override {
        if (loopFrame < 0 || loopFrame >= static_cast<int>(frames.size())) loopFrame = 0;
    }
    const char* TypeName() const override { return "DSAnimLine"; }
};

struct DSAnimFunctionObject : SAnimFunctionObject, vK_SerializableObjectImpl<DSAnimFunctionObject> {
    vK_ComplexAnimRes* res;
    std::vector<std::unique_ptr<vK_SerializableObject>> pending;
    explicit DSAnimFunctionObject(vK_ComplexAnimRes* r) : res(r) {}
    static void DescribeFields(vK_FieldTable& t) {
        t[1] = Value<DSAnimFunctionObject>(kU16, &SAnimFunctionObject::index);
        t[2] = Objects<DSAnimFunctionObject>(kObjects8, [](DSAnimFunctionObject& o) {
            return Push(o.pending, std::make_unique<DSAnimLine>(o.res));
        });
    }
    void AddElement(uint8_t, vK_SerializableObject* e) override {
        lines.push_back(std::move(*static_cast<SAnimLine*>(static_cast<DSAnimLine*>(e))));
        Pop(pending, e);
    }
    const char* TypeName() const override { return "DSAnimFunctionObject"; }
};

struct DSFunction : SFunction, vK_SerializableObjectImpl<DSFunction> {
    vK_ComplexAnimRes* res;
    std::vector<std::unique_ptr<vK_SerializableObject>> pending;
    explicit DSFunction(vK_ComplexAnimRes* r) : res(r) {}
    static void DescribeFields(vK_FieldTable& t) {
        t[1] = Value<DSFunction>(kStr, &SFunction::name);
        t[2] = Value<DSFunction>(kU8, &SFunction::loop);
        t[3] = Objects<DSFunction>(kObjects16, [](DSFunction& f) {
            return Push(f.pending, std::make_unique<DSAnimFunctionObject>(f.res));
        });
    }
    void AddElement(uint8_t, vK_SerializableObject* e) override {
        auto* o = static_cast<DSAnimFunctionObject*>(e);
        for (const SAnimLine& line : o->lines) {
            for (const SFrame& f : line.frames) length = std::max(length, f.t);
        }
        SAnimFunctionObject& slot = objects[o->index];
        slot.index = o->index;
        slot.lines = std::move(o->lines);
        Pop(pending, e);
    }
    const char* TypeName() const override { return "DSFunction"; }
};

struct DSDependendParam : SDependendParam, vK_SerializableObjectImpl<DSDependendParam> {
    static void DescribeFields(vK_FieldTable& t) {
        t[1] = Value<DSDependendParam>(kU8, &SDependendParam::code);
        t[2] = Value<DSDependendParam>(kU8, &SDependendParam::depends);
    }
    const char* TypeName() const override { return "DSDependendParam"; }
};

struct DSAnimText : vK_SerializableObjectImpl<DSAnimText> {
    vK_ComplexAnimRes* res;
    explicit DSAnimText(vK_ComplexAnimRes* r) : res(r) {}
    int fontTag = -1, fontsize = 20, fonttype = 0, format = 0;
    float r = 1, g = 1, b = 1, linespacing = 1;
    int unused = 0, displayOutline = 0, outlineSize = 1, displayShadow = 0;
    float outR = 0, outG = 0, outB = 0, outA = 1, shR = 0, shG = 0, shB = 0, shA = 1;
    float shadowX = 0, shadowY = 0, x = 0, y = 0;
    int maxWidth = 0;
    SAnimText result;
    static void DescribeFields(vK_FieldTable& t) {
        using T = DSAnimText;
        const vK_Field::Conversion c = [](vK_SerializableObject&, float v) { return Div255(v); };
        t[1] = Value(kU8, &T::fontTag);
        t[2] = Value(kU8, &T::fontsize);
        t[3] = Value(kU8, &T::fonttype);
        t[4] = Value(kI32, &T::format);
        t[5] = Value(kU8, &T::r, c);
        t[6] = Value(kU8, &T::g, c);
        t[7] = Value(kU8, &T::b, c);
        t[8] = Value(kI16, &T::unused);
        t[9] = Value(kI16, &T::unused);
        t[10] = Value(kF32, &T::linespacing);
        t[11] = Value(kU8, &T::displayOutline);
        t[12] = Value(kU8, &T::outR, c);
        t[13] = Value(kU8, &T::outG, c);
        t[14] = Value(kU8, &T::outB, c);
        t[15] = Value(kU8, &T::outA, c);
        t[16] = Value(kU8, &T::outlineSize);
        t[17] = Value(kU8, &T::displayShadow);
        t[18] = Value(kU8, &T::shR, c);
        t[19] = Value(kU8, &T::shG, c);
        t[20] = Value(kU8, &T::shB, c);
        t[21] = Value(kU8, &T::shA, c);
        t[22] = Value(kU8, &T::shadowX);
        t[23] = Value(kU8, &T::shadowY);
        t[31] = Value(kI16, &T::x);
        t[32] = Value(kI16, &T::y);
        t[33] = Value(kI16, &T::maxWidth);
    }
    void AfterRead() override {
        for (const auto& entry : res->fontTable) {
            if (entry.second == fontTag) result.font = entry.first;
        }
        vK_TextStyle& s = result.style;
        s.fontsize = fontsize;
        s.fonttype = fonttype;
        s.align = format & 3;
        s.align_v = (format >> 2) & 3;
        s.fontcolor[0] = r, s.fontcolor[1] = g, s.fontcolor[2] = b;
        s.linespacing = linespacing;
        s.display_outline = static_cast<uint8_t>(displayOutline);
        s.outline_color[0] = outR, s.outline_color[1] = outG, s.outline_color[2] = outB;
        s.outline_alpha = outA;
        s.outline_size = outlineSize;
        s.display_shadow = static_cast<uint8_t>(displayShadow);
        s.shadow_color[0] = shR, s.shadow_color[1] = shG, s.shadow_color[2] = shB;
        s.shadow_aplha = shA;
        s.shadow_pos_x = shadowX;
        s.shadow_pos_y = shadowY;
        result.x = x;
        result.y = y;
        result.maxWidth = maxWidth;
    }
    const char* TypeName() const override { return "DSAnimText"; }
};

// Reads its own body: the particle frame index, the two flags and the embedded
// system, which the random-emitter reader reads from the same stream.
struct DSParticleSystemData : vK_SerializableObjectImpl<DSParticleSystemData> {
    vK_ComplexAnimRes* res;
    explicit DSParticleSystemData(vK_ComplexAnimRes* r) : res(r) {}
    int frameIndex = 0;
    bool particleFree = false, processLoop = false;
    std::shared_ptr<SParticleSource> source;
    static void DescribeFields(vK_FieldTable&) {}
    int CustomRead(vK_ByteReader& reader) override {
        vK_ByteBuffer* buffer = reader.Buffer();
        if (buffer == nullptr) return kReadFailed;
        for (;;) {
            uint8_t tag = 0;
            if (!reader.ReadUInt8(tag) || tag == 0) return kReadDone;
            if (tag == 1) {
                uint16_t v = 0;
                if (!reader.ReadUInt16(v)) return kReadFailed;
                frameIndex = static_cast<int16_t>(v);
            } else if (tag == 2 || tag == 3) {
                uint8_t v = 0;
                if (!reader.ReadUInt8(v)) return kReadFailed;
                (tag == 2 ? particleFree : processLoop) = v == 1;
            } else if (tag == 11) {
                const size_t start = buffer->Position();
                vK_PartSysImpl_Rnd system(true);
                system.SetResourceGroup(&res->resourceGroup);
                if (!system.LoadBinary(reader)) return kReadFailed;
                auto copy = std::make_shared<SParticleSource>();
                copy->binary.assign(buffer->Data() + start, buffer->Data() + buffer->Position());
                source = std::move(copy);
            }
        }
    }
    const char* TypeName() const override { return "DSParticleSystemData"; }
};

struct DSAnimObject : SAnimObject, vK_SerializableObjectImpl<DSAnimObject> {
    vK_ComplexAnimRes* res;
    int resourceId = -1;
    std::unique_ptr<DSParticleSystemData> particleData;
    std::unique_ptr<DSAnimText> textData;
    std::vector<std::unique_ptr<vK_SerializableObject>> pending;
    explicit DSAnimObject(vK_ComplexAnimRes* r) : res(r) {}
    static void DescribeFields(vK_FieldTable& t) {
        using T = DSAnimObject;
        t[1] = Value<T>(kU16, &SAnimObject::index);
        t[2] = Value<T>(kF32, &SAnimObject::drawOffX);
        t[3] = Value<T>(kF32, &SAnimObject::drawOffY);
        t[4] = Value<T>(kU8, &SAnimObject::blend);
        t[5] = Value<T>(kF32, &SAnimObject::posX);
        t[6] = Value<T>(kF32, &SAnimObject::posY);
        t[7] = Value<T>(kF32, &SAnimObject::posZ);
        t[8] = Value<T>(kStr, &SAnimObject::animTag);
        t[9] = Value(kU16, &T::resourceId);
        t[10] = Value<T>(kU16, &SAnimObject::frame);
        t[11] = Value<T>(kU8, &SAnimObject::subfunc);
        t[12] = Value<T>(kU8, &SAnimObject::sbfloop);
        t[13] =
            Objects<T>(kObjects8, [](T& o) { return Push(o.pending, std::make_unique<DSDependendParam>()); });
        t[14] = vK_Field::Pointer<T, DSParticleSystemData>(
            &T::particleData, [](T& o) { return std::make_unique<DSParticleSystemData>(o.res); });
        t[15] = Objects<T>(kObjects16, [](T& o) -> vK_SerializableObject* {
            auto child = std::make_unique<DSAnimObject>(o.res);
            DSAnimObject* raw = child.get();
            o.children.push_back(std::move(child));
            return raw;
        });
        t[16] = vK_Field::Pointer<T, DSAnimText>(&T::textData,
                                                 [](T& o) { return std::make_unique<DSAnimText>(o.res); });
        t[17] = Value<T>(kStr, &SAnimObject::resourceTag);
        t[18] = Value<T>(kF32, &SAnimObject::blur);
    }
    void AddElement(uint8_t id, vK_SerializableObject* e) override {
        if (id == 13) {
            depends.push_back(*static_cast<DSDependendParam*>(e));
            Pop(pending, e);
        }
    }
    void AfterRead() override {
        auto found = res->resourceGroup.find(resourceId);
        if (found != res->resourceGroup.end()) resource = found->second;
        if (particleData) {
            particles = particleData->source;
            particleFree = particleData->particleFree;
            processLoop = particleData->processLoop;
            psFrameIndex = particleData->frameIndex;
            particleData.reset();
        }
        if (textData) {
            text = std::make_shared<SAnimText>(textData->result);
            textData.reset();
        }
        vK_ComplexAnimRes::AddDistinct(res->objectNames, resourceTag);
    }
    const char* TypeName() const override { return "DSAnimObject"; }
};

}  // namespace

void vK_ComplexAnimRes::DescribeFields(vK_FieldTable& t) {
    using T = vK_ComplexAnimRes;
    t[2] = Value(kU8, &T::calcType);
    t[3] = vK_Field::Pointer<T, vK_SerializableObject>(
        &T::groupRecord_, [](T&) -> std::unique_ptr<vK_SerializableObject> {
            return std::make_unique<vK_SerializableResObjectGroup>();
        });
    t[4] = Objects<T>(kObjects16, [](T& res) -> vK_SerializableObject* {
        auto object = std::make_unique<DSAnimObject>(&res);
        DSAnimObject* raw = object.get();
        res.objects.push_back(std::move(object));
        return raw;
    });
    t[5] =
        Objects<T>(kObjects16, [](T& res) { return Push(res.pending_, std::make_unique<DSFunction>(&res)); });
    t[6] = vK_Field::Map(kMap8, 8, 1, &T::fontTable);
}

void vK_ComplexAnimRes::AfterReadChild(uint8_t id, vK_SerializableObject* child) {
    // The group is needed by the objects and embedded systems that follow it.
    if (id == 3) resourceGroup = static_cast<vK_SerializableResObjectGroup*>(child)->entries;
}

void vK_ComplexAnimRes::AddElement(uint8_t id, vK_SerializableObject* element) {
    if (id != 5) return;
    auto* f = static_cast<DSFunction*>(element);
    SFunction& slot = functions[f->name];
    slot = std::move(*static_cast<SFunction*>(f));
    Pop(pending_, element);
}

void vK_ComplexAnimRes::AfterRead() { AssignGridIndices(); }

bool vK_ComplexAnimRes::ReadBinary(vK_ByteReader& reader) { return ReadObject(reader, *this); }
