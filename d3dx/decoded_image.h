// A picture decoded from a DDS, BMP or JPEG file, in the few texel layouts
// the loaders work with. Plain C++ (no Windows types) so that the decoders
// also build natively for fuzzing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace d3dx {

// The largest side a decoder accepts; Direct3D 9 hardware tops out at 8192
// and a larger claim in a header is damage, not a picture.
constexpr uint32_t kMaxImageSide = 16384;

enum class ImageFileFormat { Bmp = 0, Jpg = 1, Dds = 4 };  // values of D3DXIMAGE_FILEFORMAT

enum class TexelLayout {
    L8,        // one byte of luminance
    A8R8G8B8,  // bytes B, G, R, A (a little-endian 0xAARRGGBB)
    X8R8G8B8,  // as A8R8G8B8 with the fourth byte 0xFF and meaningless
    Dxt3,      // 4x4 blocks of 16 bytes: 64 bits of 4-bit alpha, then a DXT1 colour block
};

// What the file says it holds (for D3DXIMAGE_INFO): the layout, except that a
// palettised BMP is decoded to A8R8G8B8 but reported as 8-bit palettised.
enum class FileTexelFormat { L8, A8R8G8B8, X8R8G8B8, Dxt3, P8 };

struct ImageLevel {
    uint32_t width = 0;
    uint32_t height = 0;
    // Rows top first, tightly packed (DXT3: rows of blocks).
    std::vector<uint8_t> texels;
};

struct DecodedImage {
    ImageFileFormat fileFormat = ImageFileFormat::Dds;
    FileTexelFormat fileTexelFormat = FileTexelFormat::A8R8G8B8;
    TexelLayout layout = TexelLayout::A8R8G8B8;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t faceCount = 1;          // 6 for a cube map, faces in the order +X, -X, +Y, -Y, +Z, -Z
    uint32_t levelCount = 1;         // mip levels stored in the file, per face
    std::vector<ImageLevel> levels;  // faceCount x levelCount, face by face

    const ImageLevel& Level(uint32_t face, uint32_t level) const { return levels[face * levelCount + level]; }
    // One face of one level (the BMP and JPEG pictures): the sizes are the level's.
    void SetSingleLevel(ImageLevel&& level);
};

// Bytes one level of the layout occupies.
size_t LevelByteCount(TexelLayout layout, uint32_t width, uint32_t height);

// Number of levels of a full mip chain down to 1 x 1.
uint32_t FullMipCount(uint32_t width, uint32_t height);

}  // namespace d3dx

namespace d3dx {
// Picks the decoder by the file's magic: DDS, BMP or JPEG.
bool DecodeImageFile(const uint8_t* data, size_t size, DecodedImage& image);
}  // namespace d3dx
