#include "graphics/matrix.h"

#include <cmath>

#include "graphics/rect.h"

vK_Matrix vK_Matrix::Translation(float x, float y) {
    vK_Matrix r;
    r.m[12] = x;
    r.m[13] = y;
    return r;
}

vK_Matrix vK_Matrix::Scale(float sx, float sy) {
    vK_Matrix r;
    r.m[0] = sx;
    r.m[5] = sy;
    return r;
}

vK_Matrix vK_Matrix::Rotation(float radians) {
    vK_Matrix r;
    const float c = std::cos(radians), s = std::sin(radians);
    r.m[0] = c;
    r.m[1] = s;
    r.m[4] = -s;
    r.m[5] = c;
    return r;
}

vK_Matrix operator*(const vK_Matrix& a, const vK_Matrix& b) {
    vK_Matrix r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.m[i * 4 + k] * b.m[k * 4 + j];
            r.m[i * 4 + j] = sum;
        }
    }
    return r;
}

bool operator==(const vK_Matrix& a, const vK_Matrix& b) {
    for (int i = 0; i < 16; ++i)
        if (a.m[i] != b.m[i]) return false;
    return true;
}

bool vK_Matrix::IsIdentity() const { return *this == vK_Matrix(); }

bool vK_Matrix::Inverse2D(vK_Matrix& out) const {
    out = vK_Matrix();
    const double a = m[0], b = m[1], c = m[4], d = m[5], tx = m[12], ty = m[13];
    const double det = a * d - b * c;
    if (det == 0.0 || !std::isfinite(det)) return false;
    const double ia = d / det, ib = -b / det, ic = -c / det, id = a / det;
    out.m[0] = static_cast<float>(ia);
    out.m[1] = static_cast<float>(ib);
    out.m[4] = static_cast<float>(ic);
    out.m[5] = static_cast<float>(id);
    out.m[12] = static_cast<float>(-(tx * ia + ty * ic));
    out.m[13] = static_cast<float>(-(tx * ib + ty * id));
    return true;
}

bool PointInQuad(const float (&xs)[4], const float (&ys)[4], float x, float y) {
    bool inside = false;
    for (int i = 0, j = 3; i < 4; j = i++) {
        if ((ys[i] > y) != (ys[j] > y)) {
            const float cross = (xs[j] - xs[i]) * (y - ys[i]) / (ys[j] - ys[i]) + xs[i];
            if (x < cross) inside = !inside;
        }
    }
    return inside;
}

void QuadOfRect(const vK_Rect& rect, const vK_Matrix& matrix, float (&xs)[4], float (&ys)[4]) {
    matrix.Transform(rect.x, rect.y, xs[0], ys[0]);
    matrix.Transform(rect.x + rect.w, rect.y, xs[1], ys[1]);
    matrix.Transform(rect.x + rect.w, rect.y + rect.h, xs[2], ys[2]);
    matrix.Transform(rect.x, rect.y + rect.h, xs[3], ys[3]);
}

bool PointInRect(float x, float y, const vK_Rect& rect, const vK_Matrix& matrix) {
    float xs[4], ys[4];
    QuadOfRect(rect, matrix, xs, ys);
    return PointInQuad(xs, ys, x, y);
}
