// Texel conversion, resampling and the DXT3 codec used by the texture loader.
#include "d3dx/texel_processing.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace d3dx {
namespace {

// Luminance weights of the colour-to-grey conversion (ITU-R BT.709).
constexpr float kLumaRed = 0.2125f, kLumaGreen = 0.7154f, kLumaBlue = 0.0721f;
constexpr int kDxtBlockSide = 4;
constexpr size_t kDxt3BlockBytes = 16;
// Power-iteration steps when looking for a block's main colour axis.
constexpr int kAxisIterations = 6;

size_t ChannelsOf(TexelLayout layout) { return layout == TexelLayout::L8 ? 1 : 4; }

uint8_t ToByte(float v) {
    if (!(v > 0.0f))
        return 0;
    if (v >= 255.0f)
        return 255;
    return static_cast<uint8_t>(v + 0.5f);
}

// For each destination index along one axis: the source texels it covers and
// their weights (summing to 1).
struct Tap {
    uint32_t first;
    std::vector<float> weights;
};

std::vector<Tap> BoxTaps(uint32_t sourceSize, uint32_t size) {
    std::vector<Tap> taps(size);
    const double scale = static_cast<double>(sourceSize) / size;
    for (uint32_t i = 0; i < size; ++i) {
        const double start = i * scale, end = (i + 1) * scale;
        uint32_t first = static_cast<uint32_t>(start);
        uint32_t last = std::min(sourceSize - 1, static_cast<uint32_t>(std::ceil(end) - 1));
        if (last < first)
            last = first;
        Tap& tap = taps[i];
        tap.first = first;
        for (uint32_t s = first; s <= last; ++s) {
            const double covered = std::min(end, s + 1.0) - std::max(start, static_cast<double>(s));
            tap.weights.push_back(static_cast<float>(std::max(0.0, covered) / scale));
        }
    }
    return taps;
}

// The exact halving case of the box filter: 2x2 (or 2x1, 1x2) averages,
// rounded to nearest.
ImageLevel HalveBox(const ImageLevel& source, size_t channels, uint32_t width, uint32_t height) {
    ImageLevel out;
    out.width = width;
    out.height = height;
    out.texels.resize(static_cast<size_t>(width) * height * channels);
    const uint32_t dx = source.width > 1 ? 2 : 1, dy = source.height > 1 ? 2 : 1;
    const size_t sourceRow = static_cast<size_t>(source.width) * channels;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row0 = source.texels.data() + static_cast<size_t>(y * dy) * sourceRow;
        const uint8_t* row1 = row0 + (dy - 1) * sourceRow;
        uint8_t* dst = out.texels.data() + static_cast<size_t>(y) * width * channels;
        for (uint32_t x = 0; x < width; ++x) {
            const size_t a = static_cast<size_t>(x * dx) * channels, b = a + (dx - 1) * channels;
            for (size_t c = 0; c < channels; ++c) {
                const uint32_t sum = row0[a + c] + row0[b + c] + row1[a + c] + row1[b + c];
                dst[x * channels + c] = static_cast<uint8_t>((sum + 2) / 4);  // a texel of a 1-wide side counts twice
            }
        }
    }
    return out;
}

uint16_t To565(float r, float g, float b) {
    const auto q = [](float v, int max) {
        const int i = static_cast<int>(v * max / 255.0f + 0.5f);
        return std::min(std::max(i, 0), max);
    };
    return static_cast<uint16_t>(q(r, 31) << 11 | q(g, 63) << 5 | q(b, 31));
}

void From565(uint16_t c, int rgb[3]) {
    const int r = c >> 11 & 31, g = c >> 5 & 63, b = c & 31;
    rgb[0] = r << 3 | r >> 2;
    rgb[1] = g << 2 | g >> 4;
    rgb[2] = b << 3 | b >> 2;
}

// The four colours of a DXT colour block in four-colour mode (always so in DXT3).
void BlockPalette(uint16_t c0, uint16_t c1, int palette[4][3]) {
    From565(c0, palette[0]);
    From565(c1, palette[1]);
    for (int k = 0; k < 3; ++k) {
        palette[2][k] = (2 * palette[0][k] + palette[1][k] + 1) / 3;
        palette[3][k] = (palette[0][k] + 2 * palette[1][k] + 1) / 3;
    }
}

void EncodeBlock(const uint8_t texels[16][4], uint8_t* block) {
    // Explicit alpha: sixteen 4-bit values, row by row, low nibble first.
    for (int i = 0; i < 8; ++i) {
        const int a0 = (texels[2 * i][3] * 15 + 127) / 255;
        const int a1 = (texels[2 * i + 1][3] * 15 + 127) / 255;
        block[i] = static_cast<uint8_t>(a0 | a1 << 4);
    }
    // Colour endpoints: the extremes of the texels along their main axis.
    float mean[3] = {0, 0, 0};
    for (int i = 0; i < 16; ++i)
        for (int k = 0; k < 3; ++k)
            mean[k] += texels[i][2 - k] / 16.0f;  // k: red, green, blue
    float cov[3][3] = {};
    for (int i = 0; i < 16; ++i) {
        float d[3];
        for (int k = 0; k < 3; ++k)
            d[k] = texels[i][2 - k] - mean[k];
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                cov[r][c] += d[r] * d[c];
    }
    float axis[3] = {1.0f, 1.0f, 1.0f};
    for (int it = 0; it < kAxisIterations; ++it) {
        float next[3];
        for (int r = 0; r < 3; ++r)
            next[r] = cov[r][0] * axis[0] + cov[r][1] * axis[1] + cov[r][2] * axis[2];
        const float len = std::sqrt(next[0] * next[0] + next[1] * next[1] + next[2] * next[2]);
        if (len < 1e-6f)
            break;
        for (int r = 0; r < 3; ++r)
            axis[r] = next[r] / len;
    }
    float lo = 1e30f, hi = -1e30f;
    int loIndex = 0, hiIndex = 0;
    for (int i = 0; i < 16; ++i) {
        const float p = (texels[i][2] - mean[0]) * axis[0] + (texels[i][1] - mean[1]) * axis[1] +
                        (texels[i][0] - mean[2]) * axis[2];
        if (p < lo) {
            lo = p;
            loIndex = i;
        }
        if (p > hi) {
            hi = p;
            hiIndex = i;
        }
    }
    uint16_t c0 = To565(texels[hiIndex][2], texels[hiIndex][1], texels[hiIndex][0]);
    uint16_t c1 = To565(texels[loIndex][2], texels[loIndex][1], texels[loIndex][0]);
    int palette[4][3];
    BlockPalette(c0, c1, palette);
    uint32_t indices = 0;
    for (int i = 0; i < 16; ++i) {
        int best = 0, bestDistance = 1 << 30;
        for (int p = 0; p < 4; ++p) {
            int distance = 0;
            for (int k = 0; k < 3; ++k) {
                const int d = palette[p][k] - texels[i][2 - k];
                distance += d * d;
            }
            if (distance < bestDistance) {
                bestDistance = distance;
                best = p;
            }
        }
        indices |= static_cast<uint32_t>(best) << (2 * i);
    }
    block[8] = static_cast<uint8_t>(c0);
    block[9] = static_cast<uint8_t>(c0 >> 8);
    block[10] = static_cast<uint8_t>(c1);
    block[11] = static_cast<uint8_t>(c1 >> 8);
    for (int i = 0; i < 4; ++i)
        block[12 + i] = static_cast<uint8_t>(indices >> (8 * i));
}

}  // namespace

ImageLevel ConvertLevel(const ImageLevel& source, TexelLayout from, TexelLayout to) {
    if (from == to)
        return source;
    if (from == TexelLayout::Dxt3)
        return ConvertLevel(DecodeDxt3(source), TexelLayout::A8R8G8B8, to);
    if (to == TexelLayout::Dxt3)
        return EncodeDxt3(ConvertLevel(source, from, TexelLayout::A8R8G8B8));

    ImageLevel out;
    out.width = source.width;
    out.height = source.height;
    const size_t count = static_cast<size_t>(source.width) * source.height;
    out.texels.resize(LevelByteCount(to, source.width, source.height));
    const uint8_t* s = source.texels.data();
    uint8_t* d = out.texels.data();
    if (from == TexelLayout::L8) {  // to a colour layout
        for (size_t i = 0; i < count; ++i) {
            d[4 * i] = d[4 * i + 1] = d[4 * i + 2] = s[i];
            d[4 * i + 3] = 0xFF;
        }
    } else if (to == TexelLayout::L8) {
        for (size_t i = 0; i < count; ++i)
            d[i] = ToByte(kLumaRed * s[4 * i + 2] + kLumaGreen * s[4 * i + 1] + kLumaBlue * s[4 * i]);
    } else {  // between the two colour layouts: only the alpha byte changes
        out.texels = source.texels;
        if (from == TexelLayout::X8R8G8B8 || to == TexelLayout::X8R8G8B8)
            for (size_t i = 0; i < count; ++i)
                out.texels[4 * i + 3] = 0xFF;
    }
    return out;
}

ImageLevel ResizeLevel(const ImageLevel& source, TexelLayout layout, uint32_t width, uint32_t height,
                       ResampleFilter filter) {
    const size_t channels = ChannelsOf(layout);
    if (width == source.width && height == source.height)
        return source;
    if (filter == ResampleFilter::Box && width == std::max(1u, source.width / 2) &&
        height == std::max(1u, source.height / 2) && (source.width == 1 || source.width % 2 == 0) &&
        (source.height == 1 || source.height % 2 == 0))
        return HalveBox(source, channels, width, height);

    ImageLevel out;
    out.width = width;
    out.height = height;
    out.texels.resize(static_cast<size_t>(width) * height * channels);
    if (filter == ResampleFilter::Point) {
        for (uint32_t y = 0; y < height; ++y) {
            const uint32_t sy = static_cast<uint32_t>(static_cast<uint64_t>(y) * source.height / height);
            for (uint32_t x = 0; x < width; ++x) {
                const uint32_t sx = static_cast<uint32_t>(static_cast<uint64_t>(x) * source.width / width);
                const uint8_t* s = source.texels.data() + (static_cast<size_t>(sy) * source.width + sx) * channels;
                std::copy(s, s + channels, out.texels.data() + (static_cast<size_t>(y) * width + x) * channels);
            }
        }
        return out;
    }
    // Separable box: rows first into floats, then columns.
    const std::vector<Tap> xTaps = BoxTaps(source.width, width), yTaps = BoxTaps(source.height, height);
    std::vector<float> rows(static_cast<size_t>(source.height) * width * channels, 0.0f);
    for (uint32_t sy = 0; sy < source.height; ++sy)
        for (uint32_t x = 0; x < width; ++x)
            for (size_t c = 0; c < channels; ++c) {
                float sum = 0.0f;
                const Tap& tap = xTaps[x];
                for (size_t k = 0; k < tap.weights.size(); ++k)
                    sum += tap.weights[k] *
                           source.texels[(static_cast<size_t>(sy) * source.width + tap.first + k) * channels + c];
                rows[(static_cast<size_t>(sy) * width + x) * channels + c] = sum;
            }
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            for (size_t c = 0; c < channels; ++c) {
                float sum = 0.0f;
                const Tap& tap = yTaps[y];
                for (size_t k = 0; k < tap.weights.size(); ++k)
                    sum += tap.weights[k] * rows[(static_cast<size_t>(tap.first + k) * width + x) * channels + c];
                out.texels[(static_cast<size_t>(y) * width + x) * channels + c] = ToByte(sum);
            }
    return out;
}

ImageLevel NextMipLevel(const ImageLevel& source, TexelLayout layout, ResampleFilter filter) {
    return ResizeLevel(source, layout, std::max(1u, source.width / 2), std::max(1u, source.height / 2), filter);
}

void ApplyColorKey(ImageLevel& level, uint32_t key) {
    uint8_t* t = level.texels.data();
    const size_t count = static_cast<size_t>(level.width) * level.height;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t c = static_cast<uint32_t>(t[4 * i]) | static_cast<uint32_t>(t[4 * i + 1]) << 8 |
                           static_cast<uint32_t>(t[4 * i + 2]) << 16 | static_cast<uint32_t>(t[4 * i + 3]) << 24;
        if (c == key)
            t[4 * i] = t[4 * i + 1] = t[4 * i + 2] = t[4 * i + 3] = 0;
    }
}

ImageLevel DecodeDxt3(const ImageLevel& blocks) {
    ImageLevel out;
    out.width = blocks.width;
    out.height = blocks.height;
    out.texels.resize(static_cast<size_t>(blocks.width) * blocks.height * 4);
    const uint32_t bw = (blocks.width + 3) / 4, bh = (blocks.height + 3) / 4;
    for (uint32_t by = 0; by < bh; ++by)
        for (uint32_t bx = 0; bx < bw; ++bx) {
            const uint8_t* block = blocks.texels.data() + (static_cast<size_t>(by) * bw + bx) * kDxt3BlockBytes;
            const uint16_t c0 = static_cast<uint16_t>(block[8] | block[9] << 8);
            const uint16_t c1 = static_cast<uint16_t>(block[10] | block[11] << 8);
            int palette[4][3];
            BlockPalette(c0, c1, palette);
            const uint32_t indices = static_cast<uint32_t>(block[12]) | static_cast<uint32_t>(block[13]) << 8 |
                                     static_cast<uint32_t>(block[14]) << 16 | static_cast<uint32_t>(block[15]) << 24;
            for (int i = 0; i < 16; ++i) {
                const uint32_t x = bx * kDxtBlockSide + i % 4, y = by * kDxtBlockSide + i / 4;
                if (x >= blocks.width || y >= blocks.height)
                    continue;
                const int p = indices >> (2 * i) & 3;
                const int alpha = (block[i / 2] >> (4 * (i % 2))) & 15;
                uint8_t* d = out.texels.data() + (static_cast<size_t>(y) * blocks.width + x) * 4;
                d[0] = static_cast<uint8_t>(palette[p][2]);
                d[1] = static_cast<uint8_t>(palette[p][1]);
                d[2] = static_cast<uint8_t>(palette[p][0]);
                d[3] = static_cast<uint8_t>(alpha * 17);
            }
        }
    return out;
}

ImageLevel EncodeDxt3(const ImageLevel& argb) {
    ImageLevel out;
    out.width = argb.width;
    out.height = argb.height;
    const uint32_t bw = (argb.width + 3) / 4, bh = (argb.height + 3) / 4;
    out.texels.resize(static_cast<size_t>(bw) * bh * kDxt3BlockBytes);
    for (uint32_t by = 0; by < bh; ++by)
        for (uint32_t bx = 0; bx < bw; ++bx) {
            uint8_t texels[16][4];
            for (int i = 0; i < 16; ++i) {
                // Texels beyond a small level repeat its edge.
                const uint32_t x = std::min(bx * kDxtBlockSide + i % 4, argb.width - 1);
                const uint32_t y = std::min(by * kDxtBlockSide + i / 4, argb.height - 1);
                const uint8_t* s = argb.texels.data() + (static_cast<size_t>(y) * argb.width + x) * 4;
                std::copy(s, s + 4, texels[i]);
            }
            EncodeBlock(texels, out.texels.data() + (static_cast<size_t>(by) * bw + bx) * kDxt3BlockBytes);
        }
    return out;
}

}  // namespace d3dx
