#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// 16-bit vertex indices of an indexed triangle list.
class vK_IndexList {
public:
    virtual ~vK_IndexList() = default;

    void Add(uint16_t index) { indices_.push_back(index); }
    // Appends another list with offset added to every index.
    void Append(const vK_IndexList& other, uint16_t offset = 0) {
        indices_.reserve(indices_.size() + other.indices_.size());
        for (uint16_t i : other.indices_) indices_.push_back(static_cast<uint16_t>(i + offset));
    }
    void Clear() { indices_.clear(); }
    size_t Count() const { return indices_.size(); }
    bool Empty() const { return indices_.empty(); }
    const uint16_t* Data() const { return indices_.data(); }
    const std::vector<uint16_t>& Indices() const { return indices_; }

private:
    std::vector<uint16_t> indices_;
};
