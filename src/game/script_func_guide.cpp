// The two script functions of the game group that walk data: the strategy-guide reader
// and the object position in another object's space.
#include <memory>
#include <string>

#include "core/mediator.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "game/game_message_ids.h"
#include "game/script_func.h"
#include "graphics/matrix.h"
#include "scene/animation.h"
#include "scene/object.h"
#include "script/api_args.h"
#include "script/xml_data.h"

namespace {
const vK_DataArray* Children(const vK_Data* element) {
    const vK_Data* childs = element ? element->Get("__childs") : nullptr;
    return childs ? childs->AsArray() : nullptr;
}

std::string Field(const vK_Data* element, const char* key) {
    const vK_Data* value = element->Get(key);
    return value ? value->ToString() : std::string();
}

bool IsType(const vK_Data* element, const char* type) {
    const vK_Data* value = element ? element->Get("__type") : nullptr;
    return value && value->ToString() == type;
}

// The "__text" of each "li" child of a "ul" element, in order.
template <typename Fn>
void ForEachItem(const vK_Data* list, Fn&& fn) {
    if (const vK_DataArray* items = Children(list)) {
        for (const vK_Data* item : *items) {
            if (IsType(item, "li")) fn(Field(item, "__text"));
        }
    }
}

void ReadToc(const vK_Data* toc, vK_DataTable& out) {
    const vK_DataArray* children = Children(toc);
    if (!children) return;
    for (const vK_Data* child : *children) {
        if (IsType(child, "h2")) {
            out.SetString("header", Field(child, "__text"));
        } else if (IsType(child, "ul")) {
            vK_DataArray* chapters = out.SetArray("chapters");
            ForEachItem(child, [&](const std::string& text) { chapters->PushString(text); });
        }
    }
}

void ReadPage(const vK_Data* page, vK_DataTable& out) {
    vK_DataArray* images = out.SetArray("images");
    const vK_DataArray* children = Children(page);
    if (!children) return;
    for (const vK_Data* child : *children) {
        if (IsType(child, "img")) {
            vK_DataTable* image = images->PushTable();
            const vK_Data* position = child->Get("position");
            image->SetInt("position", position ? position->GetInt() : 0);
            image->SetString("src", Field(child, "src"));
        } else if (IsType(child, "ul")) {
            std::string text;
            bool first = true;
            ForEachItem(child, [&](const std::string& line) {
                if (!first) text += "&nl&";
                text += line;
                first = false;
            });
            out.SetString("text", text);
        }
    }
}

void ReadChapter(const vK_Data* chapter, vK_DataTable& out) {
    vK_DataArray* pages = out.SetArray("pages");
    const vK_DataArray* children = Children(chapter);
    if (!children) return;
    for (const vK_Data* child : *children) {
        if (IsType(child, "h2")) {
            out.SetString("header", Field(child, "__text"));
        } else if (IsType(child, "page")) {
            ReadPage(child, *pages->PushTable());
        }
    }
}

// The translation of m * b^-1; the zero matrix stands for the inverse of a singular b.
void PushPosition(const vK_Matrix& m, const vK_Matrix& b, vK_DataArray& results) {
    vK_Matrix inverse;
    vK_DataArray* position = new vK_DataArray();
    if (b.Inverse2D(inverse)) {
        const vK_Matrix product = m * inverse;
        position->PushFloat(product.M41());
        position->PushFloat(product.M42());
    } else {
        position->PushFloat(0.0f);
        position->PushFloat(0.0f);
    }
    results.Push(position);
}

// The matrix of an object with an "anim_tag": its part in the enclosing animation.
vK_Matrix TaggedMatrix(const vK_Object& object) {
    const std::string& tag = object.GetAnimTag();
    const vK_Object* outer = object.GetParent();
    while (outer && outer->GetType() != "anim") outer = outer->GetParent();
    const auto* anim = dynamic_cast<const vK_Animation*>(outer);
    if (!anim) {
        Log("Warning: object having anim tag \"%s\" hasn't parent object complex anim. Name of embed object "
            "is "
            "\"%s\"",
            tag.c_str(), object.GetName().c_str());
        return object.GetWorldMatrix();
    }
    vK_Matrix part;
    if (anim->GetTagMatrix(tag, part)) {
        Log("GetObjPosByObj .....");
        return part;
    }
    Log("Error: object having anim tag \"%s\" is not found in complex anim. Name of anim object is \"%s\". "
        "Name "
        "of embed object is \"%s\"",
        tag.c_str(), anim->GetName().c_str(), object.GetName().c_str());
    return object.GetWorldMatrix();
}
}  // namespace

void vY_ScriptFunc::GetStrategyGuide(const vK_ScriptArgs& args, void*, vK_DataArray& results) {
    const vK_Data* name = vK_ApiArgs::At(args, 0);
    vK_FileManager* files = vK_FileManager::Instance();
    if (!name || !files) return;
    std::vector<uint8_t> bytes;
    if (files->LoadFile(name->ToString(), bytes, 0) != 0) return;
    const std::unique_ptr<vK_DataTable> document = XmlToData(std::string(bytes.begin(), bytes.end()));
    const vK_Data* root = document->Get("xml");

    vK_DataTable* guide = new vK_DataTable();
    results.Push(guide);
    vK_DataTable* toc = guide->SetTable("toc");
    vK_DataArray* chapters = guide->SetArray("chapters");
    if (!IsType(root, "xml")) return;
    const vK_DataArray* sections = Children(root);
    if (!sections) return;
    if (IsType(sections->GetAt(0), "toc")) ReadToc(sections->GetAt(0), *toc);
    const vK_Data* body = sections->GetAt(1);
    if (!IsType(body, "guide")) return;
    if (const vK_DataArray* items = Children(body)) {
        for (const vK_Data* chapter : *items) {
            if (IsType(chapter, "chapter")) ReadChapter(chapter, *chapters->PushTable());
        }
    }
}

vK_Matrix vY_ScriptFunc::ApplicationMatrix() {
    vK_Matrix matrix;
    vK_Mediator* mediator = vK_Mediator::Instance();
    if (!mediator) return matrix;
    vK_DataTable request;
    mediator->Send(MSG_Request_Application_GetMatrix, &request);
    const vK_Data* answer = request.Get("matrix");
    const vK_DataArray* values = answer ? answer->AsArray() : nullptr;
    if (!values || values->Size() != 16) return matrix;
    for (unsigned i = 0; i < 16; ++i) matrix.m[i] = values->GetAt(i)->GetFloat();
    return matrix;
}

void vY_ScriptFunc::GetObjPosByObj(const vK_ScriptArgs& args, void*, vK_DataArray& results) {
    const vK_Object* object = vK_ApiArgs::Object(args, 0);
    if (!object) {
        results.Push(new vK_DataArray());
        return;
    }
    vK_Matrix space;
    const vK_Data* space_name = vK_ApiArgs::At(args, 1);
    if (!space_name || space_name->ToString().empty()) {
        space = ApplicationMatrix();
    } else if (const vK_Object* other = vK_Object::FindObject(space_name->ToString())) {
        space = other->GetWorldMatrix();
    }
    const vK_Matrix m = object->GetAnimTag().empty() ? object->GetWorldMatrix() : TaggedMatrix(*object);
    PushPosition(m, space, results);
}
