#include "formats.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <jpeglib.h>

namespace art {
namespace {

void Put16(Bytes& b, uint32_t v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void Put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back((v >> (8 * i)) & 0xFF);
}

// DDS constants (DirectX SDK ddraw.h / dds.h).
constexpr uint32_t DDSD_CAPS = 0x1, DDSD_HEIGHT = 0x2, DDSD_WIDTH = 0x4, DDSD_PITCH = 0x8, DDSD_PIXELFORMAT = 0x1000,
                   DDSD_LINEARSIZE = 0x80000;
constexpr uint32_t DDPF_ALPHAPIXELS = 0x1, DDPF_FOURCC = 0x4, DDPF_RGB = 0x40, DDPF_LUMINANCE = 0x20000;
constexpr uint32_t DDSCAPS_COMPLEX = 0x8, DDSCAPS_TEXTURE = 0x1000;
constexpr uint32_t DDSCAPS2_CUBEMAP = 0x200, DDSCAPS2_CUBEMAP_ALLFACES = 0xFC00;

struct PixelFormat {
    uint32_t flags = 0, fourCC = 0, bits = 0, r = 0, g = 0, b = 0, a = 0;
};

// "DDS " + the 124-byte DDS_HEADER; mip map count 0 (no mip maps).
Bytes DdsHeader(uint32_t flags, int width, int height, uint32_t pitchOrLinearSize, const PixelFormat& pf, uint32_t caps,
                uint32_t caps2) {
    Bytes b;
    b.reserve(128);
    b.insert(b.end(), {'D', 'D', 'S', ' '});
    Put32(b, 124);
    Put32(b, flags);
    Put32(b, height);
    Put32(b, width);
    Put32(b, pitchOrLinearSize);
    Put32(b, 0);  // depth
    Put32(b, 0);  // mip map count
    for (int i = 0; i < 11; ++i)
        Put32(b, 0);
    Put32(b, 32);
    Put32(b, pf.flags);
    Put32(b, pf.fourCC);
    Put32(b, pf.bits);
    Put32(b, pf.r);
    Put32(b, pf.g);
    Put32(b, pf.b);
    Put32(b, pf.a);
    Put32(b, caps);
    Put32(b, caps2);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    if (b.size() != 128)
        throw std::logic_error("DDS header size");
    return b;
}

}  // namespace

Bytes DdsLuminance8(const Grey& texels) {
    PixelFormat pf;
    pf.flags = DDPF_LUMINANCE;
    pf.bits = 8;
    pf.r = 0xFF;
    Bytes b = DdsHeader(DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT, texels.width,
                        texels.height, texels.width, pf, DDSCAPS_TEXTURE, 0);
    b.insert(b.end(), texels.v.begin(), texels.v.end());
    return b;
}

Bytes DdsArgb8(const Image& image) {
    PixelFormat pf;
    pf.flags = DDPF_RGB | DDPF_ALPHAPIXELS;
    pf.bits = 32;
    pf.r = 0x00FF0000;
    pf.g = 0x0000FF00;
    pf.b = 0x000000FF;
    pf.a = 0xFF000000;
    Bytes b = DdsHeader(DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT, image.width, image.height,
                        image.width * 4, pf, DDSCAPS_TEXTURE, 0);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.At(x, y);
            b.insert(b.end(), {p[2], p[1], p[0], p[3]});  // B, G, R, A in memory
        }
    return b;
}

Bytes DdsDxt3Cube(const std::array<Image, 6>& faces) {
    const int size = faces[0].width;
    PixelFormat pf;
    pf.flags = DDPF_FOURCC;
    pf.fourCC = 'D' | ('X' << 8) | ('T' << 16) | ('3' << 24);
    const uint32_t faceBytes = static_cast<uint32_t>(size / 4) * (size / 4) * 16;
    Bytes b = DdsHeader(DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | DDSD_LINEARSIZE, size, size,
                        faceBytes, pf, DDSCAPS_COMPLEX | DDSCAPS_TEXTURE, DDSCAPS2_CUBEMAP | DDSCAPS2_CUBEMAP_ALLFACES);
    for (const Image& face : faces) {
        if (face.width != size || face.height != size)
            throw std::invalid_argument("cube faces differ in size");
        const Bytes blocks = EncodeDxt3(face);
        b.insert(b.end(), blocks.begin(), blocks.end());
    }
    return b;
}

Bytes BmpGrey8(const Grey& pixels) {
    const uint32_t stride = (pixels.width + 3) & ~3u;
    const uint32_t imageSize = stride * pixels.height;
    const uint32_t offset = 14 + 40 + 256 * 4;
    Bytes b;
    b.insert(b.end(), {'B', 'M'});
    Put32(b, offset + imageSize);
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, pixels.width);
    Put32(b, pixels.height);
    Put16(b, 1);
    Put16(b, 8);
    Put32(b, 0);  // BI_RGB
    Put32(b, imageSize);
    Put32(b, 0);  // pixels per metre
    Put32(b, 0);
    Put32(b, 256);  // colours used
    Put32(b, 0);    // colours important: all
    for (int i = 0; i < 256; ++i)
        b.insert(b.end(), {uint8_t(i), uint8_t(i), uint8_t(i), 0});
    for (int y = pixels.height - 1; y >= 0; --y) {
        const uint8_t* row = &pixels.v[static_cast<size_t>(y) * pixels.width];
        b.insert(b.end(), row, row + pixels.width);
        for (uint32_t i = pixels.width; i < stride; ++i)
            b.push_back(0);
    }
    return b;
}

Bytes BmpRgb24(const Image& image) {
    const uint32_t stride = (image.width * 3 + 3) & ~3u;
    const uint32_t imageSize = stride * image.height;
    Bytes b;
    b.insert(b.end(), {'B', 'M'});
    Put32(b, 54 + imageSize);
    Put32(b, 0);
    Put32(b, 54);
    Put32(b, 40);
    Put32(b, image.width);
    Put32(b, image.height);
    Put16(b, 1);
    Put16(b, 24);
    Put32(b, 0);
    Put32(b, imageSize);
    Put32(b, 2835);  // 72 dpi
    Put32(b, 2835);
    Put32(b, 0);
    Put32(b, 0);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.At(x, y);
            b.insert(b.end(), {p[2], p[1], p[0]});
        }
        for (uint32_t i = image.width * 3; i < stride; ++i)
            b.push_back(0);
    }
    return b;
}

Bytes Jpeg(const Image& image, int quality) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = image.width;
    cinfo.image_height = image.height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.optimize_coding = TRUE;
    cinfo.write_JFIF_header = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(image.width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.At(x, static_cast<int>(cinfo.next_scanline));
            row[x * 3 + 0] = p[0];
            row[x * 3 + 1] = p[1];
            row[x * 3 + 2] = p[2];
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes result(out, out + outSize);
    jpeg_destroy_compress(&cinfo);
    free(out);
    return result;
}

Bytes Ico(const std::vector<Image>& sizes) {
    std::vector<Bytes> images;
    for (const Image& im : sizes) {
        Bytes d;
        const uint32_t maskStride = ((im.width + 31) / 32) * 4;
        Put32(d, 40);
        Put32(d, im.width);
        Put32(d, im.height * 2);  // colour rows + mask rows
        Put16(d, 1);
        Put16(d, 32);
        Put32(d, 0);
        Put32(d, im.width * im.height * 4 + maskStride * im.height);
        Put32(d, 0);
        Put32(d, 0);
        Put32(d, 0);
        Put32(d, 0);
        for (int y = im.height - 1; y >= 0; --y)
            for (int x = 0; x < im.width; ++x) {
                const uint8_t* p = im.At(x, y);
                d.insert(d.end(), {p[2], p[1], p[0], p[3]});
            }
        for (int y = im.height - 1; y >= 0; --y) {
            const size_t start = d.size();
            d.resize(start + maskStride, 0);
            for (int x = 0; x < im.width; ++x)
                if (im.At(x, y)[3] < 128)
                    d[start + x / 8] |= 0x80 >> (x % 8);  // transparent
        }
        images.push_back(std::move(d));
    }
    Bytes b;
    Put16(b, 0);
    Put16(b, 1);  // icon
    Put16(b, static_cast<uint32_t>(sizes.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
        b.push_back(static_cast<uint8_t>(sizes[i].width >= 256 ? 0 : sizes[i].width));
        b.push_back(static_cast<uint8_t>(sizes[i].height >= 256 ? 0 : sizes[i].height));
        b.push_back(0);  // colour count
        b.push_back(0);
        Put16(b, 1);   // planes
        Put16(b, 32);  // bits
        Put32(b, static_cast<uint32_t>(images[i].size()));
        Put32(b, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const Bytes& d : images)
        b.insert(b.end(), d.begin(), d.end());
    return b;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        throw std::runtime_error("cannot write " + path);
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok)
        throw std::runtime_error("cannot write " + path);
}

void WritePam(const std::string& path, const Image& image) {
    const std::string head = "P7\nWIDTH " + std::to_string(image.width) + "\nHEIGHT " + std::to_string(image.height) +
                             "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    Bytes b(head.begin(), head.end());
    b.insert(b.end(), image.rgba.begin(), image.rgba.end());
    WriteFile(path, b);
}

}  // namespace art
