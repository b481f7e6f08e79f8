// artgen: writes every picture of the module's resources (issue 5).
//
//   artgen --out DIR --bold-font TTF --regular-font TTF [--previews DIR]
//
// DIR receives the resource files that resources/art.rc embeds; the optional
// previews directory receives one PAM picture per generated image (decoded
// where the resource is compressed) for the contact sheet. The output is the
// same, byte for byte, on every run.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

#include "art_table.h"
#include "formats.h"
#include "generators.h"
#include "d3dx/dds_decoder.h"
#include "tools/picture/bmp_file.h"
#include "tools/picture/dds_file.h"
#include "tools/picture/jpeg_file.h"

using namespace art;
using namespace picture;

namespace {

// "07": the place of a picture in its series (the module's resource ids are
// resources/resource_ids.h's; file names do not repeat them).
std::string Index(int i) { return (i < 10 ? "0" : "") + std::to_string(i); }

// The sky faces' JPEG quality, on libjpeg's scale of 0 to 100.
constexpr int kSkyFaceJpegQuality = 90;

Image FromGrey(const Grey& g) {
    Image im(g.width, g.height);
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
            const uint8_t v = g.v[static_cast<size_t>(y) * g.width + x];
            im.Set(x, y, v, v, v);
        }
    return im;
}

int Usage() {
    std::fprintf(stderr, "usage: artgen --out DIR --bold-font TTF --regular-font TTF [--previews DIR] [--verbose]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out, previews, boldFont, regularFont;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        std::string* target = nullptr;
        if (!std::strcmp(argv[i], "--out"))
            target = &out;
        else if (!std::strcmp(argv[i], "--previews"))
            target = &previews;
        else if (!std::strcmp(argv[i], "--bold-font"))
            target = &boldFont;
        else if (!std::strcmp(argv[i], "--regular-font"))
            target = &regularFont;
        else if (!std::strcmp(argv[i], "--verbose"))
            verbose = true;
        else
            return Usage();
        if (target) {
            if (i + 1 >= argc)
                return Usage();
            *target = argv[++i];
        }
    }
    if (out.empty() || boldFont.empty() || regularFont.empty())
        return Usage();
    // Check the inputs before the long work, so that a bad call fails at once
    // and leaves no half-written set of pictures behind.
    for (const std::string& font : {boldFont, regularFont}) {
        FILE* f = std::fopen(font.c_str(), "rb");
        if (!f) {
            std::fprintf(stderr, "artgen: cannot read the font %s\n", font.c_str());
            return 1;
        }
        std::fclose(f);
    }
    for (const std::string& dir : {out, previews}) {
        if (dir.empty())
            continue;
        const std::string probe = dir + "/.artgen-probe";
        FILE* f = std::fopen(probe.c_str(), "wb");
        if (!f) {
            std::fprintf(stderr, "artgen: cannot write into %s\n", dir.c_str());
            return 1;
        }
        std::fclose(f);
        std::remove(probe.c_str());
    }
    try {
        auto write = [&](const std::string& name, const Bytes& bytes) { WriteFile(out + "/" + name, bytes); };
        auto last = std::chrono::steady_clock::now();
        auto stage = [&](const char* name) {  // timing only; never affects the output
            const auto now = std::chrono::steady_clock::now();
            if (verbose)
                std::fprintf(stderr, "artgen: %-12s %6.2f s\n", name,
                             std::chrono::duration<double>(now - last).count());
            last = now;
        };
        auto preview = [&](const std::string& name, const Image& image) {
            if (!previews.empty())
                WritePam(previews + "/" + name + ".pam", image);
        };

        // The heightmap frames.
        const std::vector<Grey> heightmaps = MakeHeightmaps();
        for (int k = 0; k < ART_HEIGHTMAP_FRAMES; ++k) {
            write("heightmap-" + Index(k) + ".dds", DdsL8(heightmaps[k]));
            preview("heightmap-" + Index(k), FromGrey(heightmaps[k]));
        }

        stage("heightmaps");
        // The sky-box faces and the cube map of the same sky.
        const Sky sky;
        for (int f = 0; f < ART_SKY_FACES; ++f) {
            const Image face = sky.Face(f, ART_SKY_FACE_SIDE);
            write("sky-" + std::to_string(f) + ".jpg", Jpeg(face, kSkyFaceJpegQuality));
            preview("sky-" + std::to_string(f), face);
        }
        stage("sky faces");
        const std::array<Image, 6> cube = sky.CubeFaces(ART_SKY_CUBE_SIDE);
        const Bytes cubeDds = DdsDxt3Cube(cube);
        write("skycube.dds", cubeDds);
        static const char* kCubeNames[6] = {"px", "nx", "py", "ny", "pz", "nz"};
        d3dx::DecodedImage decoded;  // the faces as the module decodes them
        if (!d3dx::DecodeDds(cubeDds.data(), cubeDds.size(), decoded))
            throw std::logic_error("the cube map does not decode");
        for (int f = 0; f < 6; ++f)
            preview(std::string("skycube-") + kCubeNames[f], ToImage(decoded.Level(f, 0), decoded.layout));

        stage("cube map");
        // The Fresnel ramp.
        const Grey ramp = MakeFresnelRamp();
        write("fresnel.bmp", BmpGrey8(ramp));
        preview("fresnel", FromGrey(ramp));

        // The lens-flare sprites.
        const Image star = MakeStarSprite(), glow = MakeGlowSprite(), ring = MakeRingSprite();
        write("flare-star.dds", DdsArgb(star));
        write("flare-glow.dds", DdsArgb(glow));
        write("flare-ring.dds", DdsArgb(ring));
        preview("flare-star", star);
        preview("flare-glow", glow);
        preview("flare-ring", ring);

        stage("sprites");
        // The banner.
        const Image banner = MakeBanner(boldFont, regularFont);
        write("banner.dds", DdsArgb(banner));
        preview("banner", banner);

        stage("banner");
        // The noise pictures.
        const std::vector<Grey> noise = MakeNoisePictures();
        for (int i = 0; i < ART_NOISE_PICTURES; ++i) {
            write("noise-" + Index(i) + ".bmp", BmpGrey8(noise[i]));
            preview("noise-" + Index(i), FromGrey(noise[i]));
        }

        stage("noise");
        // The preview picture.
        const Image previewPicture = MakePreview(sky, heightmaps[0], ART_PREVIEW_WIDTH, ART_PREVIEW_HEIGHT);
        write("preview.bmp", BmpRgb24(previewPicture));
        preview("preview", previewPicture);

        stage("preview");
        // The icon, in each of its sizes.
        std::vector<Image> icons;
        for (int side : {ART_ICON_SIDES})
            icons.push_back(MakeEmblem(side));
        write("icon.ico", Ico(icons));
        for (const Image& icon : icons)
            preview("icon-" + std::to_string(icon.width), icon);
        stage("icon");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "artgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
