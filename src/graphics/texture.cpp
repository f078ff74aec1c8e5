#include "graphics/texture.h"

vK_Rect vK_Texture::GetRect(int /*frame*/) const {
    return {-width_ / 2.0f, -height_ / 2.0f, width_, height_};
}

vK_Rect vK_Texture::GetUV(int /*frame*/) const {
    return {0.0f, 0.0f, width_ / textureWidth_, height_ / textureHeight_};
}

bool vK_Texture::IsTransparent(int /*px*/, int /*py*/) { return false; }

vK_Texture* vK_Texture::GetPage(int /*frame*/) { return this; }

vK_DeviceTexture* vK_Texture::GetDeviceTexture(int /*frame*/) { return nullptr; }

bool vK_Texture::ToLocal(const vK_Rect& rect, float x, float y, const vK_DrawParams& params, float& localX,
                         float& localY) {
    vK_Matrix full = params.matrix;
    if (params.offsetX != 0.0f || params.offsetY != 0.0f)
        full = vK_Matrix::Translation(params.offsetX, params.offsetY) * params.matrix;
    if (!PointInRect(x, y, rect, full)) return false;
    vK_Matrix inverse;
    if (!full.Inverse2D(inverse)) return false;
    inverse.Transform(x, y, localX, localY);
    return true;
}

bool vK_Texture::HitTest(float x, float y, const vK_DrawParams& params) {
    const vK_Rect rect = GetRect(params.frame);
    float localX = 0.0f, localY = 0.0f;
    if (!ToLocal(rect, x, y, params, localX, localY)) return false;
    return !IsTransparent(static_cast<int>(localX - rect.x), static_cast<int>(localY - rect.y));
}
