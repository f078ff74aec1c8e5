#include "game/asset_reloader.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string_view>

#include "anim/anim_impl_frame.h"
#include "anim/complex_anim_res.h"
#include "anim/frame_anim_res.h"
#include "data/string_table.h"
#include "files/byte_buffer.h"
#include "files/byte_reader.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "files/path_rules.h"
#include "graphics/font.h"
#include "graphics/frame_texture.h"
#include "graphics/resource_manager.h"
#include "graphics/texture_impl.h"
#include "media/sound_source.h"
#include "scene/grid_res.h"
#include "scene/object.h"
#include "scene/scene.h"

namespace {

constexpr const char* kGridSuffix = "_grd";
constexpr const char* kFontStyles[] = {"_bi", "_b", "_i"};

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string Extension(const std::string& file) {
    const size_t dot = file.rfind('.'), slash = file.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return LowerAscii(file.substr(dot));
}

bool ReadAsset(const std::string& file, std::vector<uint8_t>& bytes) {
    vK_FileManager* files = vK_FileManager::Instance();
    return files && files->ReadFromReaders(file, bytes);
}

void LogBroken(const std::string& file, int line, const std::string& what) {
    if (line > 0)
        Log("Error: dev: %s:%d: %s; the old content stays", file.c_str(), line, what.c_str());
    else
        Log("Error: dev: %s: %s; the old content stays", file.c_str(), what.c_str());
}

// False (logged with its line) when an XML file does not parse.
bool XmlParses(const std::string& file, const std::vector<uint8_t>& bytes) {
    tinyxml2::XMLDocument document;
    if (document.Parse(reinterpret_cast<const char*>(bytes.data()), bytes.size()) == tinyxml2::XML_SUCCESS)
        return true;
    LogBroken(file, document.ErrorLineNum(), std::string("the XML does not parse: ") + document.ErrorName());
    return false;
}

// Ogg files are sounds (Vorbis) or videos (Theora); a sound must still open.
bool SoundOpens(const std::string& file, const std::vector<uint8_t>& bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()),
                                std::min<size_t>(bytes.size(), 4096));
    if (text.find("theora") != std::string_view::npos) return true;
    std::string error;
    if (vK_SoundSource::Open(bytes, false, &error)) return true;
    LogBroken(file, 0, "the sound does not open: " + error);
    return false;
}

std::shared_ptr<vK_Resource> LoadComplex(const std::string& stem, const std::string& key) {
    auto res = std::make_shared<vK_ComplexAnimRes>();
    res->SetName(key);
    std::vector<uint8_t> bytes;
    if (ReadAsset(stem + ".anm", bytes)) {
        vK_ByteBuffer buffer;
        buffer.Assign(std::move(bytes));
        vK_ByteReader reader(&buffer);
        std::string kind;
        if (!reader.ReadOptionalString(kind) || kind != "complex" || !res->ReadBinary(reader)) return nullptr;
        return res;
    }
    tinyxml2::XMLDocument document;
    if (!ReadAsset(stem + ".xml", bytes) ||
        document.Parse(reinterpret_cast<const char*>(bytes.data()), bytes.size()) != tinyxml2::XML_SUCCESS ||
        !res->ParseXml(document))
        return nullptr;
    return res;
}

// A fresh resource of old's kind loaded from the files as they are now; null when the
// files do not load. stem is the cache name without the suffix of its kind.
std::shared_ptr<vK_Resource> LoadFresh(const vK_Resource& old, const std::string& key,
                                       const std::string& stem) {
    std::shared_ptr<vK_Resource> fresh;
    if (dynamic_cast<const vK_FrameTexture*>(&old)) {
        fresh = std::make_shared<vK_FrameTexture>();
    } else if (dynamic_cast<const vK_Texture_Impl*>(&old)) {
        fresh = std::make_shared<vK_Texture_Impl>();
    } else if (dynamic_cast<const vK_Font*>(&old)) {
        fresh = std::make_shared<vK_Font>();
    } else if (dynamic_cast<const vK_GridRes*>(&old)) {
        fresh = std::make_shared<vK_GridRes>();
    } else if (dynamic_cast<const vK_FrameAnimRes*>(&old)) {
        fresh = std::make_shared<vK_FrameAnimRes>();
    } else if (dynamic_cast<const vK_ComplexAnimRes*>(&old)) {
        return LoadComplex(stem, key);
    } else if (dynamic_cast<const vK_SoundSource*>(&old)) {
        // Cached under the file's own name. A sound grown too long to retain is still a good
        // file: its streaming source is put in place, and plays never share it.
        std::vector<uint8_t> bytes;
        std::shared_ptr<vK_SoundSource> source;
        if (ReadAsset(key, bytes)) source = vK_SoundSource::Open(std::move(bytes), true, nullptr);
        if (source) source->SetName(key);
        return source;
    } else {
        return nullptr;
    }
    return fresh->Load(stem) ? fresh : nullptr;
}

}  // namespace

std::vector<std::pair<std::string, std::shared_ptr<vK_Resource>>> vY_AssetReloader::CachedFrom(
    const std::string& stem, const std::string& ext) const {
    std::vector<std::pair<std::string, std::shared_ptr<vK_Resource>>> found;
    vK_ResourceManager* resources = vK_ResourceManager::Instance();
    if (!resources) return found;
    std::string fontName = stem;
    for (const char* style : kFontStyles) {
        if (EndsWith(stem, style)) {
            fontName = stem.substr(0, stem.size() - std::string(style).size());
            break;
        }
    }
    for (const std::string& key : resources->CachedNames()) {
        std::shared_ptr<vK_Resource> resource = resources->FindResource(key);
        if (!resource) continue;
        bool match = false;
        if (dynamic_cast<const vK_FrameTexture*>(resource.get()))
            match = ext == ".xml" && key == stem;
        else if (dynamic_cast<const vK_Texture_Impl*>(resource.get()))
            match = (ext == ".png" || ext == ".jpg") && key == stem;
        else if (dynamic_cast<const vK_Font*>(resource.get()))
            match = ext == ".vkfnt" && (key == stem || key == fontName);
        else if (dynamic_cast<const vK_GridRes*>(resource.get()))
            match = ext == ".xml" && key == stem + kGridSuffix;
        else if (dynamic_cast<const vK_FrameAnimRes*>(resource.get()) ||
                 dynamic_cast<const vK_ComplexAnimRes*>(resource.get()))
            match = (ext == ".xml" || ext == ".anm") && key == stem + vK_AnimImpl_Frame::kCacheSuffix;
        else if (dynamic_cast<const vK_SoundSource*>(resource.get()))
            match = ext == ".ogg" && key == stem + ext;
        if (match) found.emplace_back(key, std::move(resource));
    }
    return found;
}

vY_AssetReloader::FileResult vY_AssetReloader::ApplyFile(const std::string& file) {
    FileResult result;
    const std::string ext = Extension(file);
    const std::string stem = file.substr(0, file.size() - ext.size());
    std::vector<uint8_t> bytes;
    const bool exists = ReadAsset(file, bytes);
    vK_FileManager* files = vK_FileManager::Instance();
    result.module = ext == ".lua" || (ext == ".xml" && files && files->Exists(stem + ".lua") == 0);
    if (exists && ext == ".xml") result.broken = !XmlParses(file, bytes);
    if (exists && ext == ".ogg") result.broken = !SoundOpens(file, bytes);

    vK_StringTable* strings = vK_StringTable::Instance();
    if (!result.broken && exists && ext == ".xml" && strings) {
        const auto& loaded = strings->GetLoadedPaths();
        if (std::find(loaded.begin(), loaded.end(), stem) != loaded.end()) {
            // The file parses (checked above); Load refuses it only without a "strings" root.
            result.broken = !strings->Load(stem);
            if (result.broken)
                LogBroken(file, 1, "the string table has no \"strings\" root");
            else
                ++result.reloaded;
        }
    }

    vK_ResourceManager* resources = vK_ResourceManager::Instance();
    const auto cached = CachedFrom(stem, ext);
    // Everything is loaded before anything is replaced, so a failure replaces nothing.
    std::vector<std::shared_ptr<vK_Resource>> fresh;
    for (const auto& [key, old] : cached) {
        if (result.broken) break;
        std::string name = key;
        if (EndsWith(key, vK_AnimImpl_Frame::kCacheSuffix))
            name.resize(key.size() - std::string(vK_AnimImpl_Frame::kCacheSuffix).size());
        else if (EndsWith(key, kGridSuffix))
            name.resize(key.size() - std::string(kGridSuffix).size());
        fresh.push_back(exists ? LoadFresh(*old, key, name) : nullptr);
        if (fresh.back()) continue;
        LogBroken(file, 0,
                  exists ? "it does not load as " + key : "the file is gone, " + key + " keeps its content");
        result.broken = true;
    }
    for (size_t i = 0; !result.broken && i < cached.size(); ++i) {
        resources->AddResource(cached[i].first, fresh[i]);
        result.replaced.push_back(cached[i].second);
        ++result.reloaded;
    }
    if (result.broken) {
        // Hold what was made from the file, so the level's restart does not reread it.
        auto& held = held_[file];
        for (auto& [key, old] : cached)
            if (std::find(held.begin(), held.end(), old) == held.end()) held.push_back(old);
    } else {
        held_.erase(file);
        if (ext == ".png" || ext == ".jpg") ReloadAtlasesOf(result);
    }
    return result;
}

void vY_AssetReloader::ReloadAtlasesOf(FileResult& result) {
    vK_ResourceManager* resources = vK_ResourceManager::Instance();
    if (!resources || result.replaced.empty()) return;
    for (const std::string& key : resources->CachedNames()) {
        auto atlas = std::dynamic_pointer_cast<vK_FrameTexture>(resources->FindResource(key));
        if (!atlas) continue;
        const auto& frames = atlas->GetFrames();
        const bool usesOld = std::any_of(frames.begin(), frames.end(), [&](const vK_FrameRect& frame) {
            return std::find(result.replaced.begin(), result.replaced.end(), frame.page) !=
                   result.replaced.end();
        });
        if (!usesOld) continue;
        auto fresh = std::make_shared<vK_FrameTexture>();
        if (!fresh->Load(key)) continue;
        resources->AddResource(key, fresh);
        result.replaced.push_back(atlas);
        ++result.reloaded;
    }
}

int vY_AssetReloader::RefreshObjects(const std::set<const vK_Resource*>& old,
                                     const std::set<std::string>& names) {
    vK_Scene* scene = vK_Scene::Instance();
    if (!scene || !scene->GetLiveRoot()) return 0;
    // Collected first: taking a resource again changes no tree, but the walk stays simple.
    std::vector<vK_Object*> matched;
    std::function<void(vK_Object*)> walk = [&](vK_Object* object) {
        std::shared_ptr<vK_Resource> held = object->GetResource();
        if ((held && old.count(held.get())) ||
            names.count(vK_ResourceManager::Normalize(object->GetResourceName())))
            matched.push_back(object);
        for (size_t i = 0; i < object->GetChildCount(false); ++i)
            if (vK_Object* child = object->GetChild(i)) walk(child);
    };
    walk(scene->GetLiveRoot());
    for (vK_Object* object : matched) object->ReloadResource();
    return static_cast<int>(matched.size());
}

vY_AssetReloader::Outcome vY_AssetReloader::Apply(const std::vector<std::string>& files) {
    Outcome outcome;
    std::set<const vK_Resource*> old;
    std::set<std::string> names;
    bool anyModule = false, anyGood = false;
    for (const std::string& file : files) {
        FileResult result = ApplyFile(file);
        anyModule = anyModule || result.module;
        if (result.broken) {
            ++outcome.broken;
            continue;
        }
        anyGood = true;
        outcome.replaced += result.reloaded;
        for (const auto& resource : result.replaced) old.insert(resource.get());
        names.insert(file.substr(0, file.size() - Extension(file).size()));
    }
    if (!old.empty() || !names.empty()) outcome.refreshed = RefreshObjects(old, names);
    // Only broken files: the running level keeps showing the old content.
    outcome.restart = anyGood || anyModule;
    return outcome;
}

size_t vY_AssetReloader::HeldCount() const {
    size_t count = 0;
    for (const auto& [file, resources] : held_) count += resources.size();
    return count;
}
