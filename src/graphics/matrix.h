#pragma once

// Pi to six decimals, as the engine's easing curves, angle conversions and particle
// directions use it; stored animations and recorded replays depend on the exact value.
template <class T>
inline constexpr T kPiAs = static_cast<T>(3.141592L);
inline constexpr float kPi = kPiAs<float>;
static_assert(kPi == 3.141592f && kPiAs<double> == 3.141592);

// A 4 x 4 row-vector matrix: row 1 is the image of the x axis, row 2 the image of
// the y axis, row 4 the translation. A point (x, y) maps to
// (m11*x + m21*y + m41, m12*x + m22*y + m42). The product a * b applies a first.
struct vK_Matrix {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    static vK_Matrix Identity() { return {}; }
    static vK_Matrix Translation(float x, float y);
    static vK_Matrix Scale(float sx, float sy);
    static vK_Matrix Rotation(float radians);

    float& At(int row, int column) { return m[(row - 1) * 4 + (column - 1)]; }
    float At(int row, int column) const { return m[(row - 1) * 4 + (column - 1)]; }
    float M11() const { return m[0]; }
    float M12() const { return m[1]; }
    float M21() const { return m[4]; }
    float M22() const { return m[5]; }
    float M41() const { return m[12]; }
    float M42() const { return m[13]; }

    // Maps a point through the 2D part of the matrix.
    void Transform(float x, float y, float& outX, float& outY) const {
        outX = m[0] * x + m[4] * y + m[12];
        outY = m[1] * x + m[5] * y + m[13];
    }
    // Inverse of the 2D affine part; false (and identity) when it is singular.
    bool Inverse2D(vK_Matrix& out) const;
    bool IsIdentity() const;

    friend vK_Matrix operator*(const vK_Matrix& a, const vK_Matrix& b);
    friend bool operator==(const vK_Matrix& a, const vK_Matrix& b);
};

struct vK_Rect;

// Even-odd crossing test of a point against the quadrilateral of four corners given in
// order around it; the one test behind every hit test of a rectangle under a matrix.
bool PointInQuad(const float (&xs)[4], const float (&ys)[4], float x, float y);
// The corners (x, y), (x + w, y), (x + w, y + h), (x, y + h) of rect under matrix.
void QuadOfRect(const vK_Rect& rect, const vK_Matrix& matrix, float (&xs)[4], float (&ys)[4]);
// Whether the point lies inside rect transformed by matrix.
bool PointInRect(float x, float y, const vK_Rect& rect, const vK_Matrix& matrix);
