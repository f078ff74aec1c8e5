#include "graphics/matrix.h"

#include <cmath>

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
