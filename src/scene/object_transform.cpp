// vK_Object's transform: position, angle and scale, the local and world matrices and
// the draw state composed down the tree.
#include <cmath>

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
    if (mode == 0 || mode == 1) {
        float sx = scaleX_ * modifiers_.scale_x, sy = scaleY_ * modifiers_.scale_y;
        if (sx != 1 || sy != 1) m = m * vK_Matrix::Scale(sx, sy);
    }
    if (mode == 0) {
        float a = angle_ + modifiers_.angle;
        if (a != 0) {
            // Rows (cos a, -sin a) and (sin a, cos a).
            vK_Matrix r;
            r.At(1, 1) = std::cos(a);
            r.At(1, 2) = -std::sin(a);
            r.At(2, 1) = std::sin(a);
            r.At(2, 2) = std::cos(a);
            m = m * r;
        }
    }
    float tx = x_ + modifiers_.offset_x, ty = y_ + modifiers_.offset_y;
    if (tx != 0 || ty != 0) m = m * vK_Matrix::Translation(tx, ty);
    return m;
}

vK_Matrix vK_Object::ComputeFullMatrix() const {
    const vK_Matrix local = ComputeLocalMatrix(0);
    if (!parent_) return local;
    if (attachType_ >= 1 && attachType_ <= 3) {
        const vK_Matrix grand = parent_->parent_ ? parent_->parent_->ComputeFullMatrix() : vK_Matrix();
        return local * (parent_->ComputeLocalMatrix(attachType_) * grand);
    }
    return local * parent_->ComputeFullMatrix();
}

vK_DrawParams vK_Object::ComputeDrawState(const vK_DrawParams& parent, int mode) {
    vK_DrawParams state = params_;
    vK_Matrix local;
    if (mode == 0) {
        if (transformDirty_) {
            local_ = ComputeLocalMatrix(0);
            transformDirty_ = false;
        }
        local = local_;
    } else {
        local = ComputeLocalMatrix(mode);
    }
    state.alpha = modifiers_.alpha * params_.alpha * parent.alpha;
    state.red = modifiers_.red * params_.red * parent.red;
    state.green = modifiers_.green * params_.green * parent.green;
    state.blue = modifiers_.blue * params_.blue * parent.blue;
    if (attachType_ >= 1 && attachType_ <= 3 && parent_) {
        vK_Matrix grand = parent_->parent_ ? parent_->parent_->world_ : vK_Matrix();
        state.matrix = local * (parent_->ComputeLocalMatrix(attachType_) * grand);
    } else {
        state.matrix = local * parent.matrix;
    }
    if (mode != 3 && GetDraggedObject() == this) {
        state.matrix.At(4, 1) = dragX_;
        state.matrix.At(4, 2) = dragY_;
    }
    world_ = state.matrix;
    return state;
}
