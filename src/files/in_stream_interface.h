#pragma once
#include <cstdint>
#include <vector>

// A sequential input stream, used where media are decoded piece by piece. The base
// class is the empty stream: no length, always at its end, nothing to read.
class vK_InStreamInterface {
public:
    virtual ~vK_InStreamInterface() = default;
    // The total length in bytes when known, else 0.
    virtual int GetLength() { return 0; }
    // A zero-offset seek from the current position (clears the end marker); 0 on success.
    virtual int SeekCurrent() { return -1; }
    virtual bool IsEnd() { return true; }
    // Moves to an absolute position; true on success.
    virtual bool Seek(int /*position*/) { return false; }
    // Reads up to count bytes into dest; returns the number read (0 for count <= 0).
    virtual int Read(int /*count*/, uint8_t* /*dest*/) { return 0; }
    // Resizes dest to count, reads, then shrinks it to the number read; true when at
    // least one byte was read.
    virtual bool ReadInto(int count, std::vector<uint8_t>& dest) {
        if (count <= 0) {
            dest.clear();
            return false;
        }
        dest.resize(static_cast<size_t>(count));
        const int n = Read(count, dest.data());
        dest.resize(static_cast<size_t>(n > 0 ? n : 0));
        return n > 0;
    }
};
