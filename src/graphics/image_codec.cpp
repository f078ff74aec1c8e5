#include "graphics/image_codec.h"

#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "files/log.h"
#include "files/os_services.h"
#include "graphics/image.h"

bool ImageSizeAllowed(long long width, long long height) {
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) return false;
    return static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height) * 4ull <=
           kMaxImageBytes;
}

namespace {

constexpr size_t kPngSignatureBytes = 8;

struct PngSource {
    const uint8_t* data;
    size_t length;
    size_t position;
};

void PngRead(png_structp png, png_bytep out, png_size_t count) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > source->length - source->position) png_error(png, "read past the end of the data");
    std::memcpy(out, source->data + source->position, count);
    source->position += count;
}

// libpng's reason is kept in the state's buffer so the log line can say why a file failed.
constexpr size_t kReasonBytes = 160;

void PngError(png_structp png, png_const_charp message) {
    if (auto* reason = static_cast<char*>(png_get_error_ptr(png)))
        std::snprintf(reason, kReasonBytes, "%s", message ? message : "unknown error");
    png_longjmp(png, 1);
}
void PngWarning(png_structp, png_const_charp) {}

// Everything longjmp may skip lives here, outside the function that calls setjmp.
struct PngState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<png_bytep> rows;
    char reason[kReasonBytes] = "unknown error";
    ~PngState() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

bool ReadPngHeader(PngState& s, PngSource& source, const vK_Image& image, png_uint_32& width,
                   png_uint_32& height) {
    if (setjmp(png_jmpbuf(s.png))) {
        Log("Error: Error during init_io. File %s: %s", image.fileName.c_str(), s.reason);
        return false;
    }
    png_set_read_fn(s.png, &source, PngRead);
    png_set_sig_bytes(s.png, static_cast<int>(kPngSignatureBytes));
    png_set_user_limits(s.png, kMaxImageSide, kMaxImageSide);
    png_read_info(s.png, s.info);
    width = png_get_image_width(s.png, s.info);
    height = png_get_image_height(s.png, s.info);
    if (png_get_bit_depth(s.png, s.info) != 8 || png_get_channels(s.png, s.info) != 4) {
        Log("Error: PNG image is not 32 bit format. File %s", image.fileName.c_str());
        return false;
    }
    if (png_get_color_type(s.png, s.info) == PNG_COLOR_TYPE_RGB_ALPHA) png_set_bgr(s.png);
    png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    return true;
}

bool ReadPngBody(PngState& s, const vK_Image& image) {
    if (setjmp(png_jmpbuf(s.png))) {
        Log("Error: Error during read_image. File %s: %s", image.fileName.c_str(), s.reason);
        return false;
    }
    png_read_image(s.png, s.rows.data());
    png_read_end(s.png, nullptr);
    return true;
}

}  // namespace

bool DecodePng(const uint8_t* data, size_t length, vK_Image& image) {
    if (!data || length < kPngSignatureBytes || png_sig_cmp(data, 0, kPngSignatureBytes) != 0) {
        Log("Error: File %s is not recognized as a PNG file", image.fileName.c_str());
        return false;
    }
    PngState s;
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, s.reason, PngError, PngWarning);
    if (!s.png) {
        Log("Error: png_create_read_struct failed");
        return false;
    }
    s.info = png_create_info_struct(s.png);
    if (!s.info) {
        Log("Error: png_create_info_struct failed");
        return false;
    }
    PngSource source{data, length, kPngSignatureBytes};
    png_uint_32 width = 0, height = 0;
    if (!ReadPngHeader(s, source, image, width, height)) return false;
    if (!ImageSizeAllowed(width, height) || png_get_rowbytes(s.png, s.info) != size_t{width} * 4) {
        Log("Error: PNG image is too large. File %s", image.fileName.c_str());
        return false;
    }
    std::vector<uint8_t> pixels(size_t{width} * height * 4 + 1);
    s.rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) s.rows[y] = pixels.data() + size_t{y} * width * 4;
    if (!ReadPngBody(s, image)) return false;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.pixels = std::move(pixels);
    return true;
}

namespace {

struct JpegError {
    jpeg_error_mgr manager;
    jmp_buf jump;
    char reason[JMSG_LENGTH_MAX] = "unknown error";
};

void JpegErrorExit(j_common_ptr info) {
    auto* error = reinterpret_cast<JpegError*>(info->err);
    info->err->format_message(info, error->reason);
    std::longjmp(error->jump, 1);
}
void JpegOutputMessage(j_common_ptr) {}

struct JpegDecodeState {
    jpeg_decompress_struct info{};
    JpegError error{};
    bool created = false;
    std::vector<uint8_t> line;
    ~JpegDecodeState() {
        if (created) jpeg_destroy_decompress(&info);
    }
};

constexpr long kJpegMemoryLimit = 512L << 20;

// setjmp lives in this frame; it holds no objects with destructors.
bool RunJpegDecode(JpegDecodeState& s, const uint8_t* data, size_t length, vK_Image& image,
                   std::vector<uint8_t>& pixels, bool& wrongFormat) {
    if (setjmp(s.error.jump)) return false;
    jpeg_create_decompress(&s.info);
    s.created = true;
    s.info.mem->max_memory_to_use = kJpegMemoryLimit;
    jpeg_mem_src(&s.info, const_cast<unsigned char*>(data), static_cast<unsigned long>(length));
    jpeg_read_header(&s.info, TRUE);
    s.info.out_color_space = JCS_RGB;
    if (!ImageSizeAllowed(s.info.image_width, s.info.image_height)) {
        Log("Error: JPEG image is too large. File %s", image.fileName.c_str());
        wrongFormat = true;
        return false;
    }
    jpeg_start_decompress(&s.info);
    if (s.info.output_components != 3) {
        wrongFormat = true;
        Log("Error: JPEG image is not 24 bit format. File %s", image.fileName.c_str());
        return false;
    }
    const size_t width = s.info.output_width, height = s.info.output_height;
    pixels.assign(width * height * 4 + 1, 0);
    std::vector<uint8_t>& line = s.line;
    line.assign(width * 3, 0);
    while (s.info.output_scanline < s.info.output_height) {
        JSAMPROW row = line.data();
        const size_t y = s.info.output_scanline;
        if (jpeg_read_scanlines(&s.info, &row, 1) != 1) break;
        uint8_t* out = pixels.data() + y * width * 4;
        for (size_t x = 0; x < width; ++x) {
            out[x * 4 + 0] = line[x * 3 + 2];
            out[x * 4 + 1] = line[x * 3 + 1];
            out[x * 4 + 2] = line[x * 3 + 0];
            out[x * 4 + 3] = 255;
        }
    }
    jpeg_finish_decompress(&s.info);
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    return true;
}

}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t length, vK_Image& image) {
    JpegDecodeState s;
    s.info.err = jpeg_std_error(&s.error.manager);
    s.error.manager.error_exit = JpegErrorExit;
    s.error.manager.output_message = JpegOutputMessage;
    std::vector<uint8_t> pixels;
    bool wrongFormat = false;
    if (!data || length == 0 || !RunJpegDecode(s, data, length, image, pixels, wrongFormat)) {
        if (!wrongFormat)
            Log("Error: JPEG code has signaled an error. File %s: %s", image.fileName.c_str(),
                length == 0 ? "the file is empty" : s.error.reason);
        image.width = image.height = 0;
        return false;
    }
    image.pixels = std::move(pixels);
    return true;
}

namespace {

struct JpegEncodeState {
    jpeg_compress_struct info{};
    JpegError error{};
    bool created = false;
    FILE* file = nullptr;
    ~JpegEncodeState() {
        if (created) jpeg_destroy_compress(&info);
        if (file) std::fclose(file);
    }
};

constexpr int kScreenshotQuality = 97;

bool RunJpegEncode(JpegEncodeState& s, const uint8_t* pixels, int width, int height,
                   std::vector<uint8_t>& line) {
    if (setjmp(s.error.jump)) return false;
    jpeg_create_compress(&s.info);
    s.created = true;
    jpeg_stdio_dest(&s.info, s.file);
    s.info.image_width = static_cast<JDIMENSION>(width);
    s.info.image_height = static_cast<JDIMENSION>(height);
    s.info.input_components = 3;
    s.info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&s.info);
    jpeg_set_quality(&s.info, kScreenshotQuality, FALSE);
    jpeg_start_compress(&s.info, TRUE);
    while (s.info.next_scanline < s.info.image_height) {
        const uint8_t* in = pixels + static_cast<size_t>(s.info.next_scanline) * width * 4;
        for (int x = 0; x < width; ++x) {
            line[x * 3 + 0] = in[x * 4 + 2];
            line[x * 3 + 1] = in[x * 4 + 1];
            line[x * 3 + 2] = in[x * 4 + 0];
        }
        JSAMPROW row = line.data();
        jpeg_write_scanlines(&s.info, &row, 1);
    }
    jpeg_finish_compress(&s.info);
    return true;
}

}  // namespace

bool SaveJpeg(const uint8_t* pixels, int width, int height, const std::string& path) {
    if (!pixels || !ImageSizeAllowed(width, height)) return false;
    JpegEncodeState s;
    s.file = OsOpenFile(path, "wb");
    if (!s.file) return false;
    s.info.err = jpeg_std_error(&s.error.manager);
    s.error.manager.error_exit = JpegErrorExit;
    s.error.manager.output_message = JpegOutputMessage;
    std::vector<uint8_t> line(static_cast<size_t>(width) * 3);
    if (!RunJpegEncode(s, pixels, width, height, line)) return false;
    return std::fclose(std::exchange(s.file, nullptr)) == 0;
}

namespace {

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void PngFlush(png_structp) {}

struct PngWriteState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<png_bytep> rows;
    char reason[kReasonBytes] = "unknown error";
    ~PngWriteState() {
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    }
};

bool RunPngEncode(PngWriteState& s, int width, int height, std::vector<uint8_t>& out) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_set_write_fn(s.png, &out, PngWrite, PngFlush);
    png_set_IHDR(s.png, s.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(s.png, s.info);
    png_set_bgr(s.png);
    png_write_image(s.png, s.rows.data());
    png_write_end(s.png, nullptr);
    return true;
}

}  // namespace

bool EncodePng(const uint8_t* pixels, int width, int height, std::vector<uint8_t>& out) {
    out.clear();
    if (!pixels || !ImageSizeAllowed(width, height)) return false;
    PngWriteState s;
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!s.png) return false;
    s.info = png_create_info_struct(s.png);
    if (!s.info) return false;
    s.rows.resize(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        s.rows[static_cast<size_t>(y)] = const_cast<png_bytep>(pixels + static_cast<size_t>(y) * width * 4);
    return RunPngEncode(s, width, height, out);
}
