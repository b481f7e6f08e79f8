// The generators, one per kind of picture.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "art.h"

namespace art {

// Resources 370-399: the heightmap frames (count and side: the art table).
std::vector<Grey> MakeHeightmaps();

// The sunset sky, shared by the sky box, the cube map and the preview.
class Sky {
public:
    Sky();
    // Radiance (linear, HDR) seen in world direction `dir` (unit length), or
    // below the painted horizon the dark sea-sky colour the water reflects.
    Vec3 Radiance(const Vec3& dir) const;
    // Radiance -> display sRGB in [0, 1].
    Vec3 ToDisplay(const Vec3& radiance) const;
    // True where the sky-box side faces are painted black: below the plane
    // y = -0.0125 of the 0.5-wide box (55 % of the way down a side face).
    static bool BelowPaintedHorizon(const Vec3& dir);

    // Resources 430-434 (face 0..4: z = -0.25, z = +0.25, x = +0.25,
    // x = -0.25, top), 512 x 512, with the sky box's geometry and texture
    // coordinates.
    Image Face(int face, int size) const;
    // The box point (x, y, z) of face `face` at texture coordinate (u, v).
    static Vec3 FacePoint(int face, double u, double v);
    // Resource 436, faces in DDS order +X, -X, +Y, -Y, +Z, -Z: cube direction
    // (a, b, c) shows the sky seen in world direction (c, b, a), because the
    // water shader looks it up with the axes of its reflection vector swapped.
    std::array<Image, 6> CubeFaces(int size) const;
    static Vec3 CubeDirection(int face, double s, double t);  // s, t in [-1, 1]

    Vec3 SunDirection() const { return sun_; }

private:
    Vec3 Atmosphere(const Vec3& dir) const;                   // clear sky and glow
    Vec3 SkyAbove(const Vec3& dir, double pixelAngle) const;  // + sun and clouds
    double CloudDensity(double x, double z, double footprint, int octaves, double shiftZ) const;
    double CirrusDensity(double x, double z, double footprint) const;

    Vec3 sun_;            // direction of the sun, as the lens flare has it: (0, 0.03, 1.3)
    Vec3 sunDisc_;        // colour of the sun's disc
    Vec3 cirrusLight_;    // sunlight on the cirrus
    Vec3 cirrusAmbient_;  // sky light on the cirrus
};

// Resources 360-362: star burst, glow and ring.
Image MakeStarSprite();
Image MakeGlowSprite();
Image MakeRingSprite();

// Resource 245: the banner, with alpha; fonts from Debian.
Image MakeBanner(const std::string& boldFont, const std::string& regularFont);

// Resources 334-345: the grey noise pictures.
std::vector<Grey> MakeNoisePictures();

// Resource 363: the water's Fresnel ramp, one row.
Grey MakeFresnelRamp();

// Resource 101: the emblem (a wave at sunset) at a given size, with alpha.
Image MakeEmblem(int size);
// The emblem at unit coordinates (x, y in [0, 1], y down) with edge
// softness `aa`: straight RGBA in out[0..3].
void PaintEmblem(double x, double y, double aa, double out[4]);

// Resource 246: a view of the sea at dusk.
Image MakePreview(const Sky& sky, const Grey& heightmap, int width, int height);

}  // namespace art
