// The sunset sky (resources 430-434 and 436).
//
// One function of the world direction paints everything, so the five box
// faces meet without seams and the cube map shows the same sky:
// - the sky's colour: two vertical gradients, one towards the sun (gold at
//   the horizon through peach and mauve to deep blue) and one away from it
//   (the grey-violet earth shadow under a pink band, then blue), blended by
//   the azimuth from the sun, with a horizon-hugging glow around the sun;
// - the sun's disc, where the lens flare puts the sun: (0, 0.03, 1.3);
// - two cloud layers on spherical shells (a broken altocumulus deck at
//   2.6 km, thin cirrus at 8 km), lit by the low sun with self-shadowing
//   and fading into the haze with distance;
// - for the box's side faces, plain black below the plane y = -0.0125 (55 %
//   of the way down); for the cube map, below that line a dark sea colour
//   that the horizon fades into.
// Colours are blended in linear light and shown through a soft shoulder, so
// authored colours below the shoulder appear as authored.
#include <stdexcept>

#include "generators.h"

namespace art {
namespace {

constexpr double kEarth = 6360e3, kEyeHeight = 30.0;
constexpr double kCloudHeight = 2600, kCirrusHeight = 8000;
constexpr double kHorizonY = -0.0125;  // box plane of the painted horizon (box half width 0.25)

double SphereExit(const Vec3& o, const Vec3& d, double r) {
    const double b = Dot(o, d), c = Dot(o, o) - r * r;
    const double disc = b * b - c;
    if (disc < 0)
        return -1;
    return -b + std::sqrt(disc);
}

double PhaseHg(double mu, double g) {
    const double g2 = g * g;
    return (1 - g2) / std::pow(1 + g2 - 2 * g * mu, 1.5);  // 1 for g = 0
}

// Horizontal extent of a direction on the box: max(|x|, |z|).
double BoxReach(const Vec3& d) { return std::max(std::fabs(d.x), std::fabs(d.z)); }

double SrgbDecode(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }
double SrgbEncode(double v) {
    v = Saturate(v);
    return v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
}
Vec3 Lin(double r, double g, double b) { return {SrgbDecode(r / 255), SrgbDecode(g / 255), SrgbDecode(b / 255)}; }

struct Key {
    double elevationDeg;
    Vec3 colour;
};

// The colour at an elevation: a monotone cubic (Fritsch-Carlson) through the
// keys, channel by channel. Its slope runs on across every key, where an
// ease-in-out per segment would stop and leave a ring of flat colour round
// the zenith at each key's elevation, and it never overshoots a key. The
// slope is zero at the zenith, so the top of the sky has no bright or dark
// point.
Vec3 Gradient(const std::vector<Key>& keys, double elevationDeg) {
    if (elevationDeg <= keys.front().elevationDeg)
        return keys.front().colour;
    if (elevationDeg >= keys.back().elevationDeg)
        return keys.back().colour;
    size_t i = 1;
    while (elevationDeg > keys[i].elevationDeg)
        ++i;
    const auto channel = [&](size_t at, int c) {
        const Vec3& v = keys[at].colour;
        return c == 0 ? v.x : c == 1 ? v.y : v.z;
    };
    const auto width = [&](size_t at) { return keys[at + 1].elevationDeg - keys[at].elevationDeg; };
    const auto secant = [&](size_t at, int c) { return (channel(at + 1, c) - channel(at, c)) / width(at); };
    // The slope at key `at`: the weighted harmonic mean of the secants beside
    // it, zero where they differ in sign; one-sided at the horizon.
    const auto slope = [&](size_t at, int c) {
        if (at == keys.size() - 1)
            return 0.0;
        if (at == 0)
            return secant(0, c);
        const double before = secant(at - 1, c), after = secant(at, c);
        if (before * after <= 0)
            return 0.0;
        const double w1 = 2 * width(at) + width(at - 1), w2 = width(at) + 2 * width(at - 1);
        return (w1 + w2) / (w1 / before + w2 / after);
    };
    const double h = width(i - 1), t = (elevationDeg - keys[i - 1].elevationDeg) / h;
    const double t2 = t * t, t3 = t2 * t;
    double out[3];
    for (int c = 0; c < 3; ++c)
        out[c] = (2 * t3 - 3 * t2 + 1) * channel(i - 1, c) + (t3 - 2 * t2 + t) * h * slope(i - 1, c) +
                 (-2 * t3 + 3 * t2) * channel(i, c) + (t3 - t2) * h * slope(i, c);
    return {out[0], out[1], out[2]};
}

const std::vector<Key>& SunSide() {
    static const std::vector<Key> k{{0, Lin(255, 170, 74)},  {3, Lin(250, 150, 70)},  {8, Lin(238, 128, 76)},
                                    {15, Lin(208, 112, 96)}, {25, Lin(150, 98, 118)}, {40, Lin(88, 82, 128)},
                                    {60, Lin(50, 60, 112)},  {90, Lin(30, 42, 90)}};
    return k;
}
const std::vector<Key>& AntiSide() {
    static const std::vector<Key> k{{0, Lin(96, 86, 120)},    {3, Lin(122, 98, 130)},   {8, Lin(172, 122, 142)},
                                    {15, Lin(162, 120, 146)}, {25, Lin(112, 106, 150)}, {40, Lin(72, 82, 138)},
                                    {60, Lin(46, 60, 116)},   {90, Lin(30, 42, 90)}};
    return k;
}

}  // namespace

Sky::Sky() {
    sun_ = Normalize(Vec3(0, 0.03, 1.3));
    sunDisc_ = Lin(255, 200, 120);
    cirrusLight_ = Lin(255, 175, 120);
    cirrusAmbient_ = Lin(70, 70, 105);
}

Vec3 Sky::Atmosphere(const Vec3& dir) const {
    const double elev = std::asin(Clamp(dir.y, 0.0, 1.0)) * 180 / kPi;
    // Azimuth from the sun: 1 towards it, 0 away from it.
    const double horiz = std::sqrt(dir.x * dir.x + dir.z * dir.z);
    const double cosAz = horiz > 1e-9 ? dir.z / horiz : 0.0;
    const double w = std::pow(0.5 + 0.5 * cosAz, 1.6);
    Vec3 colour = Mix(Gradient(AntiSide(), elev), Gradient(SunSide(), elev), w);
    // Glow around the sun, flattened along the horizon.
    const double az = std::acos(Clamp(cosAz, -1.0, 1.0));
    const double de = std::asin(Clamp(dir.y, -1.0, 1.0)) - std::asin(sun_.y);
    const double g1 = std::sqrt(az * az + 4.0 * de * de), g2 = std::sqrt(az * az + 2.5 * de * de);
    colour += Lin(255, 190, 110) * (1.4 * std::exp(-g1 / 0.05) + 0.5 * std::exp(-g2 / 0.16));
    colour += Lin(255, 150, 80) * (0.25 * std::exp(-g2 / 0.45)) * (1 - Smoothstep(0, 30, elev));
    return colour;
}

double Sky::CloudDensity(double x, double z, double footprint, int octaves, double shiftZ) const {
    // x, z in km on the cloud shell. Octaves finer than the pixel footprint
    // fade to their mean, which keeps the distant bands free of aliasing.
    // The slowly varying coverage and warp are taken at (x, z); shiftZ moves
    // only the detail (the self-shadow samples towards the sun).
    const double coverage = Fbm(x * 0.035 + 3.1, z * 0.035 - 7.7, 3, 2.0, 0.5, 11u);
    const double wx = x + 1.0 * GradientNoise(x * 0.22, z * 0.22, 23u);
    const double wz = z + shiftZ + 1.0 * GradientNoise(x * 0.22 + 9.1, z * 0.22 + 4.4, 29u);
    double sum = 0, amp = 1, norm = 0, fx = 0.15, fz = 0.24;
    for (int o = 0; o < 7; ++o) {
        norm += amp;
        if (o < octaves) {
            const double period = 1.0 / std::max(fx, fz);
            const double w = Saturate(period / (2.5 * footprint) - 0.5);
            if (w > 0)
                sum += amp * w * GradientNoise(wx * fx, wz * fz, 41u + 7u * o);
        }
        amp *= 0.58;
        fx *= 2.03;
        fz *= 2.03;
    }
    // Fewer clouds far off towards the sun, so the sun sets in clear sky.
    const double clear = Smoothstep(25, 90, z) * 0.45;
    const double d = sum / norm * 1.8 + 0.6 * coverage - 0.08 - clear;
    return Saturate(d * 3.6);
}

double Sky::CirrusDensity(double x, double z, double footprint) const {
    const double wx = x + 6 * Fbm(x * 0.03, z * 0.03, 2, 2.0, 0.5, 61u);
    const double wz = z + 6 * Fbm(x * 0.03 + 5, z * 0.03 + 5, 2, 2.0, 0.5, 67u);
    const double ca = std::cos(0.9), sa = std::sin(0.9);
    const double u = ca * wx + sa * wz, v = -sa * wx + ca * wz;
    double sum = 0, amp = 1, norm = 0, fu = 0.02, fv = 0.09;
    for (int o = 0; o < 5; ++o) {
        const double period = 1.0 / fv;
        const double w = Saturate(period / (2.5 * footprint) - 0.5);
        sum += amp * w * GradientNoise(u * fu, v * fv, 71u + 5u * o);
        norm += amp;
        amp *= 0.55;
        fu *= 2.0;
        fv *= 2.0;
    }
    const double patches = Fbm(x * 0.012 + 1.7, z * 0.012 + 2.9, 2, 2.0, 0.5, 79u);
    return Saturate((sum / norm * 1.5 + patches * 1.2 - 0.35) * 1.5);
}

bool Sky::BelowPaintedHorizon(const Vec3& dir) { return dir.y * 0.25 < kHorizonY * BoxReach(dir); }

Vec3 Sky::SkyAbove(const Vec3& dir, double pixelAngle) const {
    Vec3 colour = Atmosphere(dir);
    // The sun's disc (about one degree), soft-edged over a pixel.
    const double gamma = std::acos(Clamp(Dot(dir, sun_), -1.0, 1.0));
    const double radius = 0.0175;
    const double edge = std::max(pixelAngle, 0.002);
    const double cover = 1 - Smoothstep(radius - edge, radius + edge, gamma);
    if (cover > 0) {
        const double r = Saturate(gamma / radius);
        const double limb = 0.7 + 0.3 * std::sqrt(std::max(0.0, 1 - r * r));
        colour += sunDisc_ * (cover * limb * 6.0);
    }
    if (dir.y <= 0)
        return colour;
    const Vec3 eye(0, kEarth + kEyeHeight, 0);
    const double mu = Dot(dir, sun_);
    const double towardsSun = Saturate(0.5 + 0.5 * mu);
    // Cirrus first (behind), then the lower cloud deck over it.
    for (int layer = 0; layer < 2; ++layer) {
        const double height = layer == 0 ? kCirrusHeight : kCloudHeight;
        const double t = SphereExit(eye, dir, kEarth + height);
        const Vec3 p = eye + dir * t;
        const double cosView = std::max(Dot(dir, Normalize(p)), 0.02);
        const double footprint = pixelAngle * t / cosView / 1000.0;  // km
        const double x = p.x / 1000.0, z = p.z / 1000.0;
        const double haze = std::exp(-t / (layer == 0 ? 300e3 : 140e3));  // fade into the horizon
        if (haze < 0.01)
            continue;
        if (layer == 0) {
            const double d = CirrusDensity(x, z, footprint);
            if (d <= 0)
                continue;
            const double alpha = (1 - std::exp(-d * 0.9 / std::sqrt(cosView))) * 0.55;
            const Vec3 lit = cirrusLight_ * (0.35 + 0.125 * PhaseHg(mu, 0.5)) + cirrusAmbient_ * 0.3;
            colour = Mix(colour, lit, Saturate(alpha * haze));
        } else {
            const double d = CloudDensity(x, z, footprint, 7, 0.0);
            if (d <= 0)
                continue;
            // Self-shadowing towards the low sun (along +z on the shell).
            double shadow = 0;
            for (int s = 1; s <= 4; ++s)
                shadow += CloudDensity(x, z, footprint, 3, 0.4 * s);
            const double alpha = 1 - std::exp(-d * 3.0 / std::sqrt(cosView));
            const double direct = std::exp(-shadow * 0.7);
            // Looking away from the sun we see the sides it lights (pink to
            // gold); looking towards it, dark bodies with glowing thin rims.
            const double front = std::pow(Saturate(0.5 - 0.5 * mu), 0.6);
            const double thin = std::exp(-d * 3.0);
            const Vec3 tint = Mix(Lin(246, 128, 140), Lin(255, 168, 88), towardsSun * towardsSun);
            const Vec3 lit =
                tint * (direct * (0.25 + 0.75 * front) * 0.85) + Lin(255, 190, 110) * (PhaseHg(mu, 0.6) * 0.22 * thin) +
                Lin(70, 54, 92) * (1.0 - 0.35 * d) +
                tint * (0.30 * (1 - front) * Smoothstep(0.0, 0.6, d) * (0.4 + 0.6 * direct));  // warm undersides
            colour = Mix(colour, lit, Saturate(alpha * haze));
        }
    }
    return colour;
}

Vec3 Sky::Radiance(const Vec3& dir) const {
    if (!BelowPaintedHorizon(dir))
        return SkyAbove(dir, 0.004);
    // Below the painted horizon: the horizon of this azimuth fading within a
    // few degrees into a dark sea colour, tinted by the clear sky above it
    // (warmer towards the sun).
    const double reach = BoxReach(dir);
    const Vec3 onHorizon = Normalize(Vec3(dir.x, kHorizonY / 0.25 * reach, dir.z));
    const Vec3 horizon = SkyAbove(onHorizon, 0.01);
    const double below = std::asin(Clamp(onHorizon.y, -1.0, 1.0)) - std::asin(Clamp(dir.y, -1.0, 1.0));
    const Vec3 sea = Atmosphere(onHorizon) * 0.07 + Lin(10, 17, 26);
    return Mix(horizon, sea, Smoothstep(0.0, 0.07, below));
}

Vec3 Sky::ToDisplay(const Vec3& radiance) const {
    // Identity up to 0.6 (linear), then a soft shoulder towards 1.
    auto shoulder = [](double v) { return v < 0.6 ? v : 1.0 - 0.4 * std::exp(-(v - 0.6) / 0.4); };
    return {SrgbEncode(shoulder(radiance.x)), SrgbEncode(shoulder(radiance.y)), SrgbEncode(shoulder(radiance.z))};
}

namespace {

// Quantises a display colour to 8 bits with a triangular dither of one step
// (the same for the three channels, so it adds no colour noise): the slow
// gradients of the clear sky would otherwise fall into visible contours.
void SetDithered(Image& image, int col, int row, const Vec3& c, uint32_t seed) {
    const double unit = 1.0 / 4294967296.0;
    const double dither = (Hash3(col, row, seed) * unit + Hash3(col, row, seed + 1) * unit - 1.0) / 255.0;
    image.Set(col, row, ToByte(c.x + dither), ToByte(c.y + dither), ToByte(c.z + dither));
}

}  // namespace

Vec3 Sky::FacePoint(int face, double u, double v) {
    const double y = 0.125 - 0.25 * v;
    switch (face) {
    case 0: return {0.25 - 0.5 * u, y, -0.25};               // 430, z = -0.25
    case 1: return {0.5 * u - 0.25, y, 0.25};                // 431, z = +0.25
    case 2: return {0.25, y, 0.25 - 0.5 * u};                // 432, x = +0.25
    case 3: return {-0.25, y, 0.5 * u - 0.25};               // 433, x = -0.25
    case 4: return {0.5 * u - 0.25, 0.125, 0.5 * v - 0.25};  // 434, top
    }
    throw std::invalid_argument("face");
}

Image Sky::Face(int face, int size) const {
    Image image(size, size);
    constexpr int kSuper = 3;
    ParallelFor(size, [&](int row) {
        for (int col = 0; col < size; ++col) {
            Vec3 sum;
            for (int sy = 0; sy < kSuper; ++sy)
                for (int sx = 0; sx < kSuper; ++sx) {
                    const double u = (col + (sx + 0.5) / kSuper) / size, v = (row + (sy + 0.5) / kSuper) / size;
                    const Vec3 p = FacePoint(face, u, v);
                    if (face != 4 && p.y < kHorizonY)
                        continue;  // black below the painted horizon
                    const double dist = Length(p);
                    sum += SkyAbove(p / dist, 0.5 / size / dist);
                }
            SetDithered(image, col, row, ToDisplay(sum / (kSuper * kSuper)), 0x5C1E5u + 2 * face);
        }
    });
    return image;
}

Vec3 Sky::CubeDirection(int face, double s, double t) {
    switch (face) {
    case 0: return {1, -t, -s};   // +X
    case 1: return {-1, -t, s};   // -X
    case 2: return {s, 1, t};     // +Y
    case 3: return {s, -1, -t};   // -Y
    case 4: return {s, -t, 1};    // +Z
    case 5: return {-s, -t, -1};  // -Z
    }
    throw std::invalid_argument("cube face");
}

std::array<Image, 6> Sky::CubeFaces(int size) const {
    std::array<Image, 6> faces;
    constexpr int kSuper = 2;
    for (int f = 0; f < 6; ++f) {
        faces[f] = Image(size, size);
        ParallelFor(size, [&](int row) {
            for (int col = 0; col < size; ++col) {
                Vec3 sum;
                for (int sy = 0; sy < kSuper; ++sy)
                    for (int sx = 0; sx < kSuper; ++sx) {
                        const double s = 2 * (col + (sx + 0.5) / kSuper) / size - 1;
                        const double t = 2 * (row + (sy + 0.5) / kSuper) / size - 1;
                        const Vec3 c = CubeDirection(f, s, t);
                        const double len = Length(c);
                        const Vec3 world = Vec3(c.z, c.y, c.x) / len;  // cube (a, b, c) shows world (c, b, a)
                        if (BelowPaintedHorizon(world)) {
                            sum += Radiance(world);
                        } else {
                            sum += SkyAbove(world, 2.0 / size / len);
                        }
                    }
                SetDithered(faces[f], col, row, ToDisplay(sum / (kSuper * kSuper)), 0xC0BEu + 2 * f);
            }
        });
    }
    return faces;
}

}  // namespace art
