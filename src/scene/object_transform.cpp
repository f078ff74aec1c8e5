// vK_Object's transform: position, angle and scale, the local and world matrices and
// the draw state composed down the tree.
#include <cmath>
#include <cstring>

#include "scene/object.h"

void vK_Object::SetPosition(float x, float y) {
    x_ = x;
    y_ = y;
    transformDirty_ = true;
}

void vK_Object::SetAngle(float angle) {
    angle_ = angle;
    transformDirty_ = true;
}

void vK_Object::SetScale(float sx, float sy) {
    scaleX_ = sx;
    scaleY_ = sy;
    transformDirty_ = true;
}

void vK_Object::SetDragPosition(float x, float y, float z) {
    dragX_ = x;
    dragY_ = y;
    dragZ_ = z;
}

void vK_Object::SetInputRect(bool enabled, const vK_Rect& rect) {
    inputRectEnabled_ = enabled;
    inputRect_ = rect;
}

void vK_Object::SetCropRect(bool enabled, const vK_Rect& rect) {
    cropRectEnabled_ = enabled;
    cropRect_ = rect;
}

vK_Matrix vK_Object::ComputeLocalMatrix(int mode) const {
    vK_Matrix m;
    if (mode == 3) return m;
    const bool scaled = mode == 0 || mode == 1, rotated = mode == 0;
    const float sx = scaled ? scaleX_ * modifiers_.scale_x : 1.0f,
                sy = scaled ? scaleY_ * modifiers_.scale_y : 1.0f;
    const float a = rotated ? angle_ + modifiers_.angle : 0.0f;
    const float tx = x_ + modifiers_.offset_x, ty = y_ + modifiers_.offset_y;
    if (!std::isfinite(sx) || !std::isfinite(sy) || !std::isfinite(a) || !std::isfinite(tx) ||
        !std::isfinite(ty))
        return ComposeLocalMatrix(sx, sy, a, tx, ty);
    // S(sx, sy) * R(a) * T(tx, ty) written out. The sums a full product would form
    // start from +0 and add only exact zeros besides these terms, so adding to 0.0f
    // gives the very same floats (a -0 becomes +0 as it would there).
    float m11 = sx, m12 = 0, m21 = 0, m22 = sy;
    if (a != 0) {
        const float c = std::cos(a), s = std::sin(a);
        m11 = sx * c;
        m12 = sx * -s;
        m21 = sy * s;
        m22 = sy * c;
    }
    m.m[0] = 0.0f + m11;
    m.m[1] = 0.0f + m12;
    m.m[4] = 0.0f + m21;
    m.m[5] = 0.0f + m22;
    m.m[12] = 0.0f + tx;
    m.m[13] = 0.0f + ty;
    return m;
}

// The same matrix as the product of its factors, skipping neutral ones; the written-out
// form above is exact only for finite values.
vK_Matrix vK_Object::ComposeLocalMatrix(float sx, float sy, float a, float tx, float ty) {
    vK_Matrix m;
    if (sx != 1 || sy != 1) m = m * vK_Matrix::Scale(sx, sy);
    if (a != 0) {
        // Rows (cos a, -sin a) and (sin a, cos a).
        vK_Matrix r;
        r.At(1, 1) = std::cos(a);
        r.At(1, 2) = -std::sin(a);
        r.At(2, 1) = std::sin(a);
        r.At(2, 2) = std::cos(a);
        m = m * r;
    }
    if (tx != 0 || ty != 0) m = m * vK_Matrix::Translation(tx, ty);
    return m;
}

// The same composition as ComputeDrawState, computed up the tree on demand; each level's
// local matrix comes from its cache (refreshed here when dirty, as a draw would), so a
// query never waits for a draw.
vK_Matrix vK_Object::CurrentMatrix(bool withDrag) const {
    vK_Matrix m = LocalMatrix();
    if (attachType_ >= 1 && attachType_ <= 3 && parent_) {
        const vK_Matrix grand = parent_->parent_ ? parent_->parent_->CurrentMatrix(withDrag) : vK_Matrix();
        m = m * (parent_->ComputeLocalMatrix(attachType_) * grand);
    } else if (parent_) {
        m = m * parent_->CurrentMatrix(withDrag);
    }
    if (withDrag && GetDraggedObject() == this) {
        m.At(4, 1) = dragX_;
        m.At(4, 2) = dragY_;
    }
    return m;
}

const vK_Matrix& vK_Object::LocalMatrix() const {
    if (transformDirty_) {
        local_ = ComputeLocalMatrix(0);
        transformDirty_ = false;
        productValid_ = false;
    }
    return local_;
}

// Most objects keep their place from one walk to the next (the hit test at the start
// of a frame, the draw at its end, and every frame of a still scene): the product is
// reused while neither the local matrix nor the parent's (compared bitwise) changed.
const vK_Matrix& vK_Object::WorldUnder(const vK_Matrix& parent) {
    const vK_Matrix& local = LocalMatrix();
    if (!productValid_ || std::memcmp(productParent_.m, parent.m, sizeof parent.m) != 0) {
        product_ = local * parent;
        productParent_ = parent;
        productValid_ = true;
    }
    return product_;
}

vK_DrawParams vK_Object::ComputeDrawState(const vK_DrawParams& parent, int mode) {
    vK_DrawParams state = params_;
    state.alpha = modifiers_.alpha * params_.alpha * parent.alpha;
    state.red = modifiers_.red * params_.red * parent.red;
    state.green = modifiers_.green * params_.green * parent.green;
    state.blue = modifiers_.blue * params_.blue * parent.blue;
    if (attachType_ >= 1 && attachType_ <= 3 && parent_) {
        const vK_Matrix local = mode == 0 ? LocalMatrix() : ComputeLocalMatrix(mode);
        vK_Matrix grand = parent_->parent_ ? parent_->parent_->world_ : vK_Matrix();
        state.matrix = local * (parent_->ComputeLocalMatrix(attachType_) * grand);
    } else if (mode == 0) {
        state.matrix = WorldUnder(parent.matrix);
    } else {
        state.matrix = ComputeLocalMatrix(mode) * parent.matrix;
    }
    if (mode != 3 && GetDraggedObject() == this) {
        state.matrix.At(4, 1) = dragX_;
        state.matrix.At(4, 2) = dragY_;
    }
    world_ = state.matrix;
    return state;
}
