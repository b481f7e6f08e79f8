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

#include "formats.h"
#include "generators.h"

using namespace art;

namespace {

std::string Id(int id) { return std::to_string(id); }

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
        auto value = [&](std::string& target) {
            if (i + 1 >= argc) throw std::invalid_argument(std::string("missing value after ") + argv[i]);
            target = argv[++i];
        };
        if (!std::strcmp(argv[i], "--out")) value(out);
        else if (!std::strcmp(argv[i], "--previews")) value(previews);
        else if (!std::strcmp(argv[i], "--bold-font")) value(boldFont);
        else if (!std::strcmp(argv[i], "--regular-font")) value(regularFont);
        else if (!std::strcmp(argv[i], "--verbose")) verbose = true;
        else return Usage();
    }
    if (out.empty() || boldFont.empty() || regularFont.empty()) return Usage();
    try {
        auto write = [&](const std::string& name, const Bytes& bytes) { WriteFile(out + "/" + name, bytes); };
        auto last = std::chrono::steady_clock::now();
        auto stage = [&](const char* name) {  // timing only; never affects the output
            const auto now = std::chrono::steady_clock::now();
            if (verbose)
                std::fprintf(stderr, "artgen: %-12s %6.2f s\n", name, std::chrono::duration<double>(now - last).count());
            last = now;
        };
        auto preview = [&](const std::string& name, const Image& image) {
            if (!previews.empty()) WritePam(previews + "/" + name + ".pam", image);
        };

        // 370-399: heightmaps.
        const std::vector<Grey> heightmaps = MakeHeightmaps();
        for (int k = 0; k < 30; ++k) {
            write("heightmap-" + Id(370 + k) + ".dds", DdsLuminance8(heightmaps[k]));
            preview("heightmap-" + Id(370 + k), FromGrey(heightmaps[k]));
        }

        stage("heightmaps");
        // 430-434: sky-box faces; 436: the cube map of the same sky.
        const Sky sky;
        for (int f = 0; f < 5; ++f) {
            const Image face = sky.Face(f, 512);
            write("sky-" + Id(430 + f) + ".jpg", Jpeg(face, 90));
            preview("sky-" + Id(430 + f), face);
        }
        stage("sky faces");
        const std::array<Image, 6> cube = sky.CubeFaces(256);
        const Bytes cubeDds = DdsDxt3Cube(cube);
        write("skycube-436.dds", cubeDds);
        static const char* kCubeNames[6] = {"px", "nx", "py", "ny", "pz", "nz"};
        for (int f = 0; f < 6; ++f)
            preview(std::string("skycube-436-") + kCubeNames[f], DecodeDxt3(&cubeDds[128 + f * 65536], 256, 256));

        stage("cube map");
        // 363: Fresnel ramp.
        const Grey ramp = MakeFresnelRamp();
        write("fresnel-363.bmp", BmpGrey8(ramp));
        preview("fresnel-363", FromGrey(ramp));

        // 360-362: lens-flare sprites.
        const Image star = MakeStarSprite(), glow = MakeGlowSprite(), ring = MakeRingSprite();
        write("flare-star-360.dds", DdsArgb8(star));
        write("flare-glow-361.dds", DdsArgb8(glow));
        write("flare-ring-362.dds", DdsArgb8(ring));
        preview("flare-star-360", star);
        preview("flare-glow-361", glow);
        preview("flare-ring-362", ring);

        stage("sprites");
        // 245: banner.
        const Image banner = MakeBanner(boldFont, regularFont);
        write("banner-245.dds", DdsArgb8(banner));
        preview("banner-245", banner);

        stage("banner");
        // 334-345: noise.
        const std::vector<Grey> noise = MakeNoisePictures();
        for (int i = 0; i < 12; ++i) {
            write("noise-" + Id(334 + i) + ".bmp", BmpGrey8(noise[i]));
            preview("noise-" + Id(334 + i), FromGrey(noise[i]));
        }

        stage("noise");
        // 246: preview picture.
        const Image previewPicture = MakePreview(sky, heightmaps[0], 152, 112);
        write("preview-246.bmp", BmpRgb24(previewPicture));
        preview("preview-246", previewPicture);

        stage("preview");
        // 101: icon, 48, 32 and 16 pixels.
        std::vector<Image> icons{MakeEmblem(48), MakeEmblem(32), MakeEmblem(16)};
        write("icon-101.ico", Ico(icons));
        for (const Image& icon : icons) preview("icon-101-" + Id(icon.width), icon);
        stage("icon");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "artgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
