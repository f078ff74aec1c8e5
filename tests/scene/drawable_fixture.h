#pragma once
// A small engine for the drawable object types: a temporary asset tree served by a file
// manager, the resource cache (fonts included), a recording renderer with memory
// textures and the live root.
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/frame_info.h"
#include "data/data.h"
#include "files/file_manager.h"
#include "graphics/font.h"
#include "graphics/glyph_rasterizer.h"
#include "graphics/resource_manager.h"
#include "scene/object.h"
#include "support/recording_render.h"
#include "support/temp_folder.h"

class DrawableFixture : public ::testing::Test {
protected:
    void SetUp() override {
        files.SetAssetRoot(folder.Path());
        files.SetSaveFolder(folder.Path() + "/save");
        files.SetIdentity("Publisher", "Game");
        files.RegisterProviders();
        resources.SetFactory(vK_ResourceManager::kFont,
                             []() -> std::shared_ptr<vK_Resource> { return std::make_shared<vK_Font>(); });
        origin = vK_Object::CreateObject("obj", "vk_origin");
        origin->SetRoot(true);
        origin->EnterScene();
        storage = vK_Object::CreateObject("obj", "vk_storage");
        storage->SetRoot(true);
    }
    void TearDown() override { vK_Object::ReleaseAll(); }

    void WriteText(const std::string& relative, const std::string& text) { folder.WriteFile(relative, text); }
    void WriteBytes(const std::string& relative, const std::vector<uint8_t>& bytes) {
        const std::string path = folder.Path() + "/" + relative;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    // A width x height RGBA PNG: opaque colour inside [x0, x1) x [y0, y1), transparent elsewhere.
    void WritePng(const std::string& relative, int width, int height, int x0, int y0, int x1, int y1) {
        std::vector<uint8_t> bgra(static_cast<size_t>(width) * height * 4, 0);
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                uint8_t* p = &bgra[(static_cast<size_t>(y) * width + x) * 4];
                p[0] = 200, p[1] = 100, p[2] = 50, p[3] = 255;
            }
        }
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = static_cast<png_uint_32>(width);
        image.height = static_cast<png_uint_32>(height);
        image.format = PNG_FORMAT_BGRA;
        png_alloc_size_t size = 0;
        ASSERT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, bgra.data(), 0, nullptr));
        std::vector<uint8_t> bytes(size);
        ASSERT_TRUE(png_image_write_to_memory(&image, bytes.data(), &size, 0, bgra.data(), 0, nullptr));
        bytes.resize(size);
        WriteBytes(relative, bytes);
    }
    void Step(float dt) { origin->Update(vK_FrameInfo{dt, dt, 0}); }

    TempFolder folder;
    vK_FileManager files;
    vK_ResourceManager resources;
    vK_RecordingRender render{1024, 768};
    vK_GlyphRasterizer rasterizer;
    vK_Object* origin = nullptr;
    vK_Object* storage = nullptr;
};
