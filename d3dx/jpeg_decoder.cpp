// The JPEG decoder. libjpeg reports errors through a callback that must not
// return; ours jumps back to DecodeJpeg with longjmp. Nothing with a
// destructor lives between setjmp and a jump: the output buffer is plain
// storage owned by the caller's image and libjpeg's own memory is released
// by jpeg_destroy_decompress.
#include "d3dx/jpeg_decoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <utility>

#include <jpeglib.h>

namespace d3dx {
namespace {

// libjpeg's working memory for a picture of the largest accepted size is a
// few rows; anything asking for more than this is a hostile header.
constexpr long kMaxDecoderMemoryBytes = 64L * 1024 * 1024;
// The decoded picture itself: far above any picture the module carries, far
// below what a damaged header could make us allocate.
constexpr uint64_t kMaxOutputBytes = 64ull * 1024 * 1024;  // 4096 x 4096 texels

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
    ErrorManager* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(errors->jump, 1);
}

// Warnings (level -1) mean corrupt data that libjpeg would paper over with
// grey: treat them as errors. Trace messages (level >= 0) are dropped.
void OnMessage(j_common_ptr cinfo, int level) {
    if (level < 0)
        OnError(cinfo);
}

void OnOutputMessage(j_common_ptr) {}

// Everything that touches libjpeg, kept free of objects with destructors so
// that longjmp skips nothing.
bool Decode(const uint8_t* data, size_t size, ImageLevel& level) {
    jpeg_decompress_struct cinfo;
    ErrorManager errors;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnError;
    errors.base.emit_message = OnMessage;
    errors.base.output_message = OnOutputMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxDecoderMemoryBytes;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK || cinfo.progressive_mode || cinfo.arith_code ||
        (cinfo.jpeg_color_space != JCS_GRAYSCALE && cinfo.jpeg_color_space != JCS_YCbCr) || cinfo.image_width == 0 ||
        cinfo.image_height == 0 || cinfo.image_width > kMaxImageSide || cinfo.image_height > kMaxImageSide ||
        static_cast<uint64_t>(cinfo.image_width) * cinfo.image_height * 4 > kMaxOutputBytes) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    const int components = cinfo.jpeg_color_space == JCS_GRAYSCALE ? 1 : 4;
    cinfo.out_color_space = components == 1 ? JCS_GRAYSCALE : JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != components) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    level.width = cinfo.output_width;
    level.height = cinfo.output_height;
    // The vector is sized before the loop; a jump out of the loop leaves it
    // allocated but intact, and its owner frees it normally.
    level.texels.resize(static_cast<size_t>(level.width) * level.height * components);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = level.texels.data() + static_cast<size_t>(cinfo.output_scanline) * level.width * components;
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) {
            jpeg_destroy_decompress(&cinfo);
            return false;
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

bool IsJpegFile(const uint8_t* data, size_t size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool DecodeJpeg(const uint8_t* data, size_t size, DecodedImage& image) {
    if (!IsJpegFile(data, size))
        return false;
    ImageLevel level;
    if (!Decode(data, size, level))
        return false;
    image.fileFormat = ImageFileFormat::Jpg;
    const bool grey = level.texels.size() == static_cast<size_t>(level.width) * level.height;
    image.fileTexelFormat = grey ? FileTexelFormat::L8 : FileTexelFormat::X8R8G8B8;
    image.layout = grey ? TexelLayout::L8 : TexelLayout::X8R8G8B8;
    image.SetSingleLevel(std::move(level));
    return true;
}

}  // namespace d3dx
