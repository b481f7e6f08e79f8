// The banner (resource 245): 256 x 64 with alpha, the maker's name over a
// line inviting the user to press the space bar for more screen savers. Text
// is rasterised with FreeType from Debian's fonts.
//
// The scene draws the banner on a quad about three times as wide as high
// (0.587 x 0.195), so the 4:1 texture is squeezed to 3:1 on screen. Every
// shape here is therefore painted 4/3 wider than it should look: FreeType
// renders the glyphs with a horizontal size 4/3 of the vertical one. The
// texture coordinates stop at 0.99, so the last two texels of each row and
// column are never seen; the panel stays inside them.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <stdexcept>

#include "art_table.h"
#include "generators.h"

namespace art {
namespace {

constexpr int kW = ART_BANNER_WIDTH, kH = ART_BANNER_HEIGHT;
constexpr double kStretch = 4.0 / 3.0;

struct Layer {  // premultiplied RGBA in floats
    std::vector<double> r, g, b, a;
    Layer() : r(kW * kH, 0), g(kW * kH, 0), b(kW * kH, 0), a(kW * kH, 0) {}
    void Over(int i, double cr, double cg, double cb, double ca) {
        r[i] = cr * ca + r[i] * (1 - ca);
        g[i] = cg * ca + g[i] * (1 - ca);
        b[i] = cb * ca + b[i] * (1 - ca);
        a[i] = ca + a[i] * (1 - ca);
    }
};

class Font {
public:
    Font(FT_Library lib, const std::string& path) {
        if (FT_New_Face(lib, path.c_str(), 0, &face_))
            throw std::runtime_error("cannot open font " + path);
    }
    ~Font() { FT_Done_Face(face_); }
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    FT_Face Face(double pixelHeight) {
        // Horizontal size 4/3 of the vertical one (see above).
        FT_Set_Char_Size(face_, static_cast<FT_F26Dot6>(std::lround(pixelHeight * kStretch * 64)),
                         static_cast<FT_F26Dot6>(std::lround(pixelHeight * 64)), 72, 72);
        return face_;
    }

private:
    FT_Face face_ = nullptr;
};

struct Run {
    Font* font;
    double size;
    double r, g, b;
    std::string text;
};

// Walks the glyphs of a line of runs from pen position x, with kerning:
// each glyph is loaded into its face's slot and handed to `visit` with the
// pen position before the pen moves on. Returns where the pen ends.
template <typename Visit>
double WalkRuns(const std::vector<Run>& runs, double x, Visit visit) {
    double pen = x;
    for (const Run& run : runs) {
        FT_Face face = run.font->Face(run.size);
        FT_UInt previous = 0;
        for (unsigned char ch : run.text) {
            const FT_UInt glyph = FT_Get_Char_Index(face, ch);
            if (previous && FT_HAS_KERNING(face)) {
                FT_Vector k;
                FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &k);
                pen += k.x / 64.0;
            }
            FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT);
            visit(face, pen, run);
            pen += face->glyph->advance.x / 64.0;
            previous = glyph;
        }
    }
    return pen;
}

// Width in texels of a line of runs.
double MeasureRuns(const std::vector<Run>& runs) {
    return WalkRuns(runs, 0.0, [](FT_Face, double, const Run&) {});
}

// Draws runs from pen position x at `baseline` into the coverage callback.
template <typename Plot>
void DrawRuns(const std::vector<Run>& runs, double x, int baseline, Plot plot) {
    WalkRuns(runs, x, [&](FT_Face face, double pen, const Run& run) {
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
        const FT_Bitmap& bm = face->glyph->bitmap;
        const int left = static_cast<int>(std::lround(pen)) + face->glyph->bitmap_left;
        const int top = baseline - face->glyph->bitmap_top;
        for (unsigned row = 0; row < bm.rows; ++row)
            for (unsigned col = 0; col < bm.width; ++col) {
                const double cover = bm.buffer[row * bm.pitch + col] / 255.0;
                if (cover > 0)
                    plot(left + static_cast<int>(col), top + static_cast<int>(row), cover, run);
            }
    });
}

// Signed distance to a rounded rectangle, in screen-proportioned units
// (x divided by the stretch).
double RoundedBox(double x, double y, double x0, double y0, double x1, double y1, double radius) {
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const double hx = (x1 - x0) / 2 - radius, hy = (y1 - y0) / 2 - radius;
    const double qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
    const double outside = std::sqrt(std::max(qx, 0.0) * std::max(qx, 0.0) + std::max(qy, 0.0) * std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

}  // namespace

Image MakeBanner(const std::string& boldFont, const std::string& regularFont) {
    FT_Library lib;
    if (FT_Init_FreeType(&lib))
        throw std::runtime_error("FreeType");
    Image image(kW, kH);
    {
        Font bold(lib, boldFont), regular(lib, regularFont);
        Layer layer;
        // Panel: x in screen-proportioned units (texels / stretch).
        const double right = (kW - 3) / kStretch, bottom = kH - 3.0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                double cover = 0, border = 0;
                for (int s = 0; s < 16; ++s) {
                    const double px = (x + (s % 4 + 0.5) / 4) / kStretch, py = y + (s / 4 + 0.5) / 4;
                    const double d = RoundedBox(px, py, 1.0, 1.0, right, bottom, 9.0);
                    if (d < 0)
                        cover += 1.0 / 16;
                    if (d < 0 && d > -1.1)
                        border += 1.0 / 16;
                }
                const double t = y / double(kH);
                layer.Over(y * kW + x, Mixd(0.07, 0.02, t), Mixd(0.11, 0.05, t), Mixd(0.20, 0.10, t), 0.74 * cover);
                layer.Over(y * kW + x, 1.0, 0.80, 0.52, 0.55 * border);
            }
        // Emblem on the left, as tall as the panel allows.
        const double eSize = 48, eLeft = 7, eTop = (kH - 2 - eSize) / 2;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                double r = 0, g = 0, b = 0, a = 0;
                for (int s = 0; s < 36; ++s) {
                    const double px = ((x + (s % 6 + 0.5) / 6) / kStretch - eLeft) / eSize;
                    const double py = (y + (s / 6 + 0.5) / 6 - eTop) / eSize;
                    if (px < 0 || px > 1 || py < 0 || py > 1)
                        continue;
                    double c[4];
                    PaintEmblem(px, py, 0.25 / eSize, c);
                    r += c[0] * c[3];
                    g += c[1] * c[3];
                    b += c[2] * c[3];
                    a += c[3];
                }
                if (a > 0)
                    layer.Over(y * kW + x, r / a, g / a, b / a, a / 36);
            }

        // Text column right of the emblem.
        const double columnLeft = (eLeft + eSize + 6) * kStretch;
        const double columnRight = (right - 6) * kStretch;
        const double columnWidth = columnRight - columnLeft;
        const double warmWhite[3] = {1.0, 0.97, 0.92}, gold[3] = {1.0, 0.76, 0.38}, soft[3] = {0.86, 0.89, 0.93};
        // The name: the largest size that fits the column.
        double nameSize = 20;
        std::vector<Run> name{{&bold, nameSize, warmWhite[0], warmWhite[1], warmWhite[2], ART_MAKER_NAME}};
        while (MeasureRuns(name) > columnWidth && nameSize > 8)
            name[0].size = nameSize -= 0.25;
        std::vector<Run> line1{{&regular, 11, soft[0], soft[1], soft[2], "Press "},
                               {&bold, 11, gold[0], gold[1], gold[2], "SPACE"},
                               {&regular, 11, soft[0], soft[1], soft[2], " to download"}};
        std::vector<Run> line2{{&regular, 11, soft[0], soft[1], soft[2], "more screen savers"}};
        double lineSize = 11;
        while (std::max(MeasureRuns(line1), MeasureRuns(line2)) > columnWidth && lineSize > 7) {
            lineSize -= 0.25;
            for (auto* line : {&line1, &line2})
                for (Run& run : *line)
                    run.size = lineSize;
        }
        const int nameBaseline = 24, line1Baseline = 41, line2Baseline = 54;
        // A thin gold rule between the name and the invitation.
        for (int x = static_cast<int>(columnLeft); x < static_cast<int>(columnRight); ++x) {
            const double t = (x - columnLeft) / columnWidth;
            const double fade = std::sin(kPi * Saturate(t)) * 0.9;
            layer.Over(29 * kW + x, 1.0, 0.70, 0.35, 0.55 * fade);
        }
        // Soft shadow first (blurred coverage, offset by one texel), then the text.
        std::vector<double> shadow(kW * kH, 0);
        auto addShadow = [&](int x, int y, double cover, const Run&) {
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -2; dx <= 2; ++dx) {
                    const int sx = x + dx + 1, sy = y + dy + 1;
                    if (sx < 0 || sy < 0 || sx >= kW || sy >= kH)
                        continue;
                    const double w = (dy == 0 ? 1.0 : 0.5) * (std::abs(dx) <= 1 ? 1.0 : 0.5);
                    shadow[sy * kW + sx] += cover * w * 0.18;
                }
        };
        const double nameX = columnLeft + (columnWidth - MeasureRuns(name)) / 2;
        const double line1X = columnLeft + (columnWidth - MeasureRuns(line1)) / 2;
        const double line2X = columnLeft + (columnWidth - MeasureRuns(line2)) / 2;
        DrawRuns(name, nameX, nameBaseline, addShadow);
        DrawRuns(line1, line1X, line1Baseline, addShadow);
        DrawRuns(line2, line2X, line2Baseline, addShadow);
        for (int i = 0; i < kW * kH; ++i)
            layer.Over(i, 0, 0, 0, Saturate(shadow[i]) * 0.8);
        auto plot = [&](int x, int y, double cover, const Run& run) {
            if (x < 0 || y < 0 || x >= kW || y >= kH)
                return;
            layer.Over(y * kW + x, run.r, run.g, run.b, cover);
        };
        DrawRuns(name, nameX, nameBaseline, plot);
        DrawRuns(line1, line1X, line1Baseline, plot);
        DrawRuns(line2, line2X, line2Baseline, plot);

        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const int i = y * kW + x;
                const double a = layer.a[i];
                if (a > 1e-6)
                    image.Set(x, y, ToByte(layer.r[i] / a), ToByte(layer.g[i] / a), ToByte(layer.b[i] / a), ToByte(a));
                else
                    image.Set(x, y, 10, 18, 32, 0);  // panel colour, so filtering brings no light fringe
            }
    }
    FT_Done_FreeType(lib);
    return image;
}

}  // namespace art
