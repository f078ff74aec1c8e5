#pragma once
#include <cstdio>
#include <memory>
#include <string>

#include "files/in_stream_interface.h"

// An input stream over one open stdio file, which it owns and closes. Streams are
// handed out through shared pointers; the last owner closes the file.
class vK_InFileStream : public vK_InStreamInterface {
public:
    // Takes ownership of file (opened "rb"); a null file gives an empty stream.
    explicit vK_InFileStream(FILE* file) : file_(file) {}
    ~vK_InFileStream() override;
    vK_InFileStream(const vK_InFileStream&) = delete;
    vK_InFileStream& operator=(const vK_InFileStream&) = delete;

    // Opens path for reading; nullptr when it cannot be opened.
    static std::shared_ptr<vK_InFileStream> Open(const std::string& path);

    // No length is known for a file stream.
    int GetLength() override { return 0; }
    int SeekCurrent() override;
    bool IsEnd() override;
    bool Seek(int position) override;
    int Read(int count, uint8_t* dest) override;

private:
    FILE* file_;
};
