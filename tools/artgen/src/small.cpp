// The small pictures: noise (334-345), Fresnel ramp (363), the emblem that
// the icon (101) and the banner use.
#include <stdexcept>

#include "art_table.h"
#include "generators.h"

namespace art {

std::vector<Grey> MakeNoisePictures() {
    // Twelve tileable grey noises: fractal sums at four base periods, each
    // plain, "turbulent" (absolute values) and "ridged"; full contrast.
    std::vector<Grey> pictures;
    static const int kPeriods[4] = {2, 4, 8, 16};
    constexpr int kKinds = 3, kSide = ART_NOISE_SIDE;
    static_assert(ART_NOISE_PICTURES == kKinds * 4, "one picture of each kind at each period");
    for (int i = 0; i < ART_NOISE_PICTURES; ++i) {
        const int period = kPeriods[i % 4];
        const int kind = i / 4;
        std::vector<double> v(kSide * kSide);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                const double fx = x * period / double(kSide), fy = y * period / double(kSide);
                double sum = 0, amp = 1, norm = 0;
                int p = period;
                double sx = fx, sy = fy;
                for (int o = 0; o < 4 && p <= kSide; ++o) {
                    double n = GradientNoise(sx, sy, 500u + 31u * i + o, p);
                    if (kind == 1)
                        n = std::fabs(n) * 2 - 0.5;
                    if (kind == 2)
                        n = (1 - std::fabs(n)) * (1 - std::fabs(n)) * 2 - 0.6;
                    sum += amp * n;
                    norm += amp;
                    amp *= 0.5;
                    sx *= 2;
                    sy *= 2;
                    p *= 2;
                }
                v[y * kSide + x] = sum / norm;
            }
        const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
        Grey g(kSide, kSide);
        for (size_t k = 0; k < v.size(); ++k)
            g.v[k] = ToByte((v[k] - *lo) / (*hi - *lo));
        pictures.push_back(std::move(g));
    }
    return pictures;
}

Grey MakeFresnelRamp() {
    // The reflection weight by texel, from grazing (255) to straight down (5).
    static const uint8_t kHead[172] = {
        255, 245, 235, 226, 217, 209, 201, 193, 186, 180, 173, 167, 161, 155, 150, 145, 140, 135, 131, 127, 123, 119,
        115, 111, 108, 104, 101, 98,  95,  92,  90,  87,  84,  82,  80,  77,  75,  73,  71,  69,  67,  65,  63,  62,
        60,  59,  57,  55,  54,  53,  51,  50,  49,  47,  46,  45,  44,  43,  42,  41,  40,  39,  38,  37,  36,  35,
        34,  33,  33,  32,  31,  30,  30,  29,  28,  28,  27,  27,  26,  25,  25,  24,  24,  23,  23,  22,  22,  21,
        21,  20,  20,  19,  19,  19,  18,  18,  18,  17,  17,  16,  16,  16,  16,  15,  15,  15,  14,  14,  14,  14,
        13,  13,  13,  13,  12,  12,  12,  12,  11,  11,  11,  11,  11,  10,  10,  10,  10,  10,  10,  9,   9,   9,
        9,   9,   9,   9,   8,   8,   8,   8,   8,   8,   8,   8,   8,   7,   7,   7,   7,   7,   7,   7,   7,   7,
        7,   7,   6,   6,   6,   6,   6,   6,   6,   6,   6,   6,   6,   6,   6,   6,   6,   6};
    Grey ramp(ART_FRESNEL_RAMP_WIDTH, 1);
    for (int i = 0; i < ART_FRESNEL_RAMP_WIDTH; ++i)
        ramp.v[i] = i < 172 ? kHead[i] : 5;
    return ramp;
}

namespace {

struct Rgba {
    double r, g, b, a;
};

Rgba Over(const Rgba& top, const Rgba& under) {
    const double a = top.a + under.a * (1 - top.a);
    if (a <= 0)
        return {0, 0, 0, 0};
    return {(top.r * top.a + under.r * under.a * (1 - top.a)) / a,
            (top.g * top.a + under.g * under.a * (1 - top.a)) / a,
            (top.b * top.a + under.b * under.a * (1 - top.a)) / a, a};
}

}  // namespace

// The emblem at unit coordinates (x, y in [0, 1], y down): a round badge
// with a sunset sky, the sun half set on the horizon, its path on the water,
// and a breaking wave in front. `aa` is the edge softness (about a pixel).
void PaintEmblem(double x, double y, double aa, double out[4]) {
    const double cx = x - 0.5, cy = y - 0.5;
    const double r = std::sqrt(cx * cx + cy * cy);
    const double badge = 1 - Smoothstep(0.47 - aa, 0.47 + aa, r);
    const double horizon = 0.60;
    Rgba c;
    // Sky: deep violet at the top to orange at the horizon.
    const double t = Saturate(y / horizon);
    const double s = t * t;
    c = {Mixd(0.16, 1.00, s), Mixd(0.10, 0.48, s * s), Mixd(0.36, 0.20, s), 1};
    // Sun, cut by the horizon.
    const double sr = std::sqrt((x - 0.6) * (x - 0.6) + (y - horizon) * (y - horizon));
    const double sunCover =
        (1 - Smoothstep(0.17 - aa, 0.17 + aa, sr)) * (1 - Smoothstep(horizon - aa, horizon + aa, y));
    const double glow = 0.55 * std::exp(-std::max(0.0, sr - 0.17) / 0.07) * (y < horizon ? 1 : 0);
    c = Over({1.0, 0.80, 0.45, Saturate(glow)}, c);
    c = Over(
        {1.0, Mixd(0.95, 0.72, Saturate((y - 0.43) / 0.17)), Mixd(0.62, 0.30, Saturate((y - 0.43) / 0.17)), sunCover},
        c);
    // Sea below the horizon, with the sun's path.
    const double sea = Smoothstep(horizon - aa, horizon + aa, y);
    const double depth = Saturate((y - horizon) / 0.4);
    Rgba water{Mixd(0.20, 0.03, depth), Mixd(0.20, 0.12, depth), Mixd(0.32, 0.24, depth), sea};
    const double path =
        std::exp(-std::pow((x - 0.6) / (0.05 + 0.25 * depth), 2)) * (1 - depth) * (0.5 + 0.5 * std::sin(y * 90.0));
    water.r = Mixd(water.r, 1.0, 0.8 * path);
    water.g = Mixd(water.g, 0.62, 0.8 * path);
    water.b = Mixd(water.b, 0.30, 0.8 * path);
    c = Over(water, c);
    // The breaking wave: a large circle of water (its back and crest) with
    // a smaller circle cut out under the crest (the hollow of the curl), so
    // that the crest hooks over to the right; a white lip along the crest.
    {
        const double ox = 0.34, oy = 0.88, orad = 0.42;   // the wave's back
        const double hx = 0.62, hy = 0.73, hrad = 0.125;  // the hollow
        const double dO = std::hypot(x - ox, y - oy) - orad;
        const double dH = std::hypot(x - hx, y - hy) - hrad;
        const double inO = 1 - Smoothstep(-aa, aa, dO);
        const double inH = 1 - Smoothstep(-aa, aa, dH);
        const double front = Smoothstep(0.80 - aa, 0.80 + aa, y);  // the water in front
        const double body = Saturate(inO * (1 - inH) + front);
        const double depth = Saturate(-dO / 0.30);
        Rgba wave{Mixd(0.16, 0.02, depth), Mixd(0.66, 0.20, depth), Mixd(0.72, 0.36, depth), body};
        // Foam on the crest: near the outer edge, on the upper part.
        const double foam = std::exp(-std::max(0.0, -dO) / 0.022) * Smoothstep(0.70, 0.50, y) * inO;
        wave.r = Mixd(wave.r, 0.97, foam);
        wave.g = Mixd(wave.g, 0.98, foam);
        wave.b = Mixd(wave.b, 0.96, foam);
        // Light through the lip where it thins over the hollow.
        const double lip = std::exp(-std::max(0.0, dH) / 0.03) * (1 - inH) * inO * Smoothstep(0.76, 0.62, y);
        wave.r = Mixd(wave.r, 0.45, 0.6 * lip);
        wave.g = Mixd(wave.g, 0.85, 0.6 * lip);
        wave.b = Mixd(wave.b, 0.80, 0.6 * lip);
        c = Over(wave, c);
        // Inside the hollow: the darker face of the wave behind it.
        const double hollow = inH * inO * (1 - front);
        Rgba tube{0.03, Mixd(0.30, 0.14, Saturate((y - 0.62) / 0.2)), Mixd(0.40, 0.26, Saturate((y - 0.62) / 0.2)),
                  hollow};
        c = Over(tube, c);
    }
    // A thin light ring around the badge.
    const double ring = Smoothstep(0.44 - aa, 0.44 + aa, r) * badge;
    c = Over({1.0, 0.86, 0.62, ring * 0.85}, c);
    out[0] = c.r;
    out[1] = c.g;
    out[2] = c.b;
    out[3] = badge;
}

Image MakeEmblem(int size) {
    constexpr int kSuper = 6;
    const double aa = 0.5 / size;
    return Supersample(size, size, kSuper, {0, 0, 0, 0},
                       [&](double x, double y, double c[4]) { PaintEmblem(x / size, y / size, aa * 0.5, c); });
}

}  // namespace art
