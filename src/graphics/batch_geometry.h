#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/index_list.h"
#include "graphics/vertex_list.h"

// The geometry of one batch as the renderer collects it: quads as their four corners,
// triangle lists as given, or one indexed mesh. The vertices share one list; runs say
// which stretch of it is what, so a device can draw the quads through one shared index
// pattern (two triangles per four corners) while a device-neutral consumer can ask for
// the plain triangle list.
class vK_BatchGeometry {
public:
    enum Kind : uint8_t { kQuads, kTriangles, kIndexed };
    // A stretch of the vertex list; first and count are in vertices.
    struct Run {
        Kind kind;
        size_t first;
        size_t count;
    };

    void Clear() {
        vertices_.Clear();
        indices_.Clear();
        runs_.clear();
    }
    void Reserve(size_t floats) { vertices_.Reserve(floats); }
    bool Empty() const { return vertices_.Empty(); }
    bool HasIndices() const { return !indices_.Empty(); }
    bool NeedsWrap() const { return vertices_.NeedsWrap(); }
    const vK_VertexList& Vertices() const { return vertices_; }
    const vK_IndexList& Indices() const { return indices_; }
    const std::vector<Run>& Runs() const { return runs_; }

    // Corners in the order top-left, top-right, bottom-left, bottom-right; one colour.
    void AddQuad(const float* x, const float* y, float u0, float v0, float u1, float v1, float red,
                 float green, float blue, float alpha) {
        Extend(kQuads, 4);
        vertices_.AddQuad(x, y, u0, v0, u1, v1, red, green, blue, alpha);
    }
    void AddTriangles(const vK_VertexList& triangles) {
        if (triangles.Empty()) return;
        Extend(kTriangles, triangles.VertexCount());
        vertices_.Append(triangles);
    }
    // The mesh's indices are offset by the vertices already held.
    void AddIndexed(const vK_VertexList& mesh, const vK_IndexList& indices) {
        if (mesh.Empty()) return;
        indices_.Append(indices, static_cast<uint16_t>(vertices_.VertexCount()));
        Extend(kIndexed, mesh.VertexCount());
        vertices_.Append(mesh);
    }

    // The vertices as a plain triangle list: every quad becomes the six vertices
    // (top-left, top-right, bottom-left) and (bottom-right, bottom-left, top-right),
    // the same two triangles the shared index pattern draws. Indexed meshes and
    // triangle lists are copied as they are (their indices stay in Indices()).
    void ExpandTo(vK_VertexList& triangles) const {
        triangles.Clear();
        triangles.SetNeedsWrap(vertices_.NeedsWrap());
        for (const Run& run : runs_) {
            if (run.kind != kQuads) {
                triangles.AppendRange(vertices_, run.first, run.count);
                continue;
            }
            for (size_t q = run.first; q < run.first + run.count; q += 4) {
                static constexpr size_t kCorners[6] = {0, 1, 2, 3, 2, 1};
                for (size_t corner : kCorners) triangles.AppendRange(vertices_, q + corner, 1);
            }
        }
    }
    bool HasQuads() const {
        for (const Run& run : runs_)
            if (run.kind == kQuads) return true;
        return false;
    }

private:
    void Extend(Kind kind, size_t count) {
        if (!runs_.empty() && runs_.back().kind == kind && kind != kIndexed)
            runs_.back().count += count;
        else
            runs_.push_back({kind, vertices_.VertexCount(), count});
    }

    vK_VertexList vertices_;
    vK_IndexList indices_;
    std::vector<Run> runs_;
};
