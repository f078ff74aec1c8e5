#pragma once
#include "graphics/tex_impl.h"
#include "graphics/texture.h"

struct vK_Image;

// A texture loaded from an image file: name + ".png", else name + ".jpg", read whole
// through the file manager. PNG textures get an alpha mask for hit tests on demand.
class vK_Texture_Impl : public vK_Texture, public vK_TexImpl_Impl {
public:
    bool Load(const std::string& name) override;
    bool IsTransparent(int px, int py) override;
    vK_DeviceTexture* GetDeviceTexture(int /*frame*/) override { return device_.get(); }

    // Uploads a decoded image (also used by tests and tools); logs a refusal.
    bool CreateFromImage(const vK_Image& image);
};

// Reads a file whole through the file manager's readers (newest first); logs
// "Error: file not found %s." unless the file manager is silent.
bool vK_ReadAssetFile(const std::string& path, std::vector<uint8_t>& bytes);
