#include "graphics/texture_impl.h"

#include <vector>

#include "files/file_manager.h"
#include "files/log.h"
#include "graphics/image.h"
#include "graphics/image_codec.h"
#include "graphics/render.h"

bool vK_ReadAssetFile(const std::string& path, std::vector<uint8_t>& bytes) {
    vK_FileManager* files = vK_FileManager::Instance();
    if (files && files->ReadFromReaders(path, bytes)) return true;
    if (!files || !files->IsSilent()) Log("Error: file not found %s.", path.c_str());
    return false;
}

namespace {

// Reads and decodes name + extension when the file exists; false otherwise. found tells a
// file that is there but unreadable or undecodable (the decoder logged why) from a missing one.
bool DecodeFile(const std::string& path, bool png, vK_Image& image, bool& found) {
    vK_FileManager* files = vK_FileManager::Instance();
    if (!files || files->Exists(path) != 0) return false;
    found = true;
    std::vector<uint8_t> bytes;
    if (!vK_ReadAssetFile(path, bytes)) {
        Log("Error: texture could not read \"%s\" file!", path.c_str());
        return false;
    }
    image.fileName = path;
    return png ? DecodePng(bytes.data(), bytes.size(), image) : DecodeJpeg(bytes.data(), bytes.size(), image);
}

}  // namespace

bool vK_Texture_Impl::Load(const std::string& name) {
    SetName(name);
    if (!vK_Render::Instance()) return false;
    vK_Image image;
    bool found = false;
    bool fromPng = DecodeFile(name + ".png", true, image, found);
    if (!fromPng) {
        image = vK_Image();
        DecodeFile(name + ".jpg", false, image, found);
    }
    if (image.pixels.empty()) {
        // A file that exists but failed has had its reason logged by the decoder already.
        if (found)
            Log("Error: texture \"%s\" could not be loaded: its file is damaged or not a supported image",
                name.c_str());
        else
            Log("Error: texture could not find \"%s\" file!", name.c_str());
        return false;
    }
    if (!CreateFromImage(image)) return false;
    maskPending_ = fromPng;
    return true;
}

bool vK_Texture_Impl::CreateFromImage(const vK_Image& image) {
    if (image.width <= 0 || image.height <= 0 || image.pixels.size() < image.Size()) return false;
    int width = image.width, height = image.height;
    std::string error;
    if (!AllocateDevice(width, height, false, error)) {
        Log("Error: could not load \"%s\" texture. Size: %d x %d. Error: %s", GetName().c_str(), width,
            height, error.c_str());
        return false;
    }
    // A texture whose pixels did not arrive is a failure, not an undefined success.
    if (!device_->Upload(image.pixels.data(), image.width, image.height, image.width * 4)) {
        Log("Error: could not load \"%s\" texture. Size: %d x %d. Error: %s", GetName().c_str(), width,
            height, "upload failed");
        ReleaseDeviceTexture();
        return false;
    }
    SetSizes(static_cast<float>(image.width), static_cast<float>(image.height),
             static_cast<float>(device_->GetWidth()), static_cast<float>(device_->GetHeight()));
    return true;
}

bool vK_Texture_Impl::IsTransparent(int px, int py) {
    BuildMaskOnce(static_cast<int>(GetWidth()), static_cast<int>(GetHeight()));
    return MaskSaysTransparent(px, py);
}
