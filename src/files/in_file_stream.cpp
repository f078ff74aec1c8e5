#include "files/in_file_stream.h"

#include "files/os_services.h"

vK_InFileStream::~vK_InFileStream() {
    if (file_) std::fclose(file_);
}

std::shared_ptr<vK_InFileStream> vK_InFileStream::Open(const std::string& path) {
    FILE* file = OsOpenFile(path, "rb");
    return file ? std::make_shared<vK_InFileStream>(file) : nullptr;
}

int vK_InFileStream::SeekCurrent() { return file_ ? std::fseek(file_, 0, SEEK_CUR) : -1; }

bool vK_InFileStream::IsEnd() { return !file_ || std::feof(file_) != 0; }

bool vK_InFileStream::Seek(int position) {
    return file_ && position >= 0 && std::fseek(file_, position, SEEK_SET) == 0;
}

int vK_InFileStream::Read(int count, uint8_t* dest) {
    if (!file_ || count <= 0 || !dest) return 0;
    return static_cast<int>(std::fread(dest, 1, static_cast<size_t>(count), file_));
}
