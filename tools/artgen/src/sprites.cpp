// Lens-flare sprites (resources 360-362), A8R8G8B8 with straight
// alpha. They are drawn additively (SRCALPHA, ONE) with the texture colour
// modulated by white, so colour x alpha is what lands on the screen; every
// sprite fades to alpha 0 well inside its border.
#include "art_table.h"
#include "generators.h"

namespace art {
namespace {

// Averages `draw(x, y)` (x, y in [-1, 1], y down) over 4 x 4 samples per
// pixel. Fully transparent pixels keep a neutral colour.
template <typename F>
Image Paint(int size, F draw) {
    constexpr int kSuper = 4;
    return Supersample(size, size, kSuper, {255, 255, 255, 0},
                       [&](double x, double y, double c[4]) { draw(2 * x / size - 1, 2 * y / size - 1, c); });
}

}  // namespace

Image MakeStarSprite() {
    // White, with the star burst in alpha: a bright core, six long aperture
    // rays (twelve spikes), and a fan of thin faint rays of random length.
    struct Ray {
        double angle, length, width, strength;
    };
    std::vector<Ray> rays;
    for (int i = 0; i < 12; ++i) {
        const bool main = i % 2 == 0;
        rays.push_back({kPi * i / 6 + 0.13, main ? 0.98 : 0.70, main ? 0.014 : 0.010, main ? 1.0 : 0.6});
    }
    Rng rng(0x57A2B0257ull);
    for (int i = 0; i < 64; ++i) {
        rays.push_back({2 * kPi * rng.Uniform(), 0.3 + 0.6 * rng.Uniform(), 0.005 + 0.006 * rng.Uniform(),
                        0.12 + 0.3 * rng.Uniform()});
    }
    return Paint(ART_FLARE_STAR_SIDE, [&](double x, double y, double out[4]) {
        const double r = std::sqrt(x * x + y * y);
        double a = 1.0 * std::exp(-(r / 0.07) * (r / 0.07)) + 0.45 * std::exp(-r / 0.12) + 0.12 * std::exp(-r / 0.35);
        const double theta = std::atan2(y, x);
        for (const Ray& ray : rays) {
            double d = std::remainder(theta - ray.angle, 2 * kPi);
            const double across = std::fabs(std::sin(d)) * r;  // distance from the ray's line
            if (std::cos(d) <= 0)
                continue;
            const double along = r / ray.length;
            if (along >= 1)
                continue;
            const double width = ray.width * (1 + 1.5 * along);
            a += ray.strength * std::exp(-(across / width) * (across / width)) * std::pow(1 - along, 1.4);
        }
        const double window = Saturate(1 - r * r);
        out[0] = out[1] = out[2] = 1.0;
        out[3] = Saturate(a * window);
    });
}

Image MakeGlowSprite() {
    // A soft grey glow: bright centre, fading smoothly to nothing at the rim.
    return Paint(ART_FLARE_GLOW_SIDE, [](double x, double y, double out[4]) {
        const double r = std::sqrt(x * x + y * y);
        const double window = Saturate(1 - r * r);
        const double a = (0.55 * std::exp(-(r / 0.22) * (r / 0.22)) + 0.45 * std::exp(-(r / 0.55) * (r / 0.55))) *
                         window * window * window;
        const double grey = 0.80 + 0.20 * std::exp(-(r / 0.3) * (r / 0.3));
        out[0] = grey;
        out[1] = grey * 0.99;
        out[2] = grey * 0.97;
        out[3] = Saturate(a);
    });
}

Image MakeRingSprite() {
    // A faint translucent disc with a bright rim whose colour runs from blue
    // (inside) through green-yellow to red (outside), like a lens ghost.
    return Paint(ART_FLARE_RING_SIDE, [](double x, double y, double out[4]) {
        const double r = std::sqrt(x * x + y * y);
        const double rim = 0.86, width = 0.07;
        const double t = (r - rim) / width;  // -1 inner edge .. +1 outer edge of the rim
        const double band = std::exp(-t * t * 1.6);
        // Spectral colour across the rim.
        const double red = Smoothstep(-0.3, 0.7, t) + 0.15;
        const double green = std::exp(-(t + 0.05) * (t + 0.05) * 2.2) * 0.95 + 0.1;
        const double blue = 1 - Smoothstep(-0.9, 0.1, t) + 0.12;
        const double disc = 0.16 * (1 - Smoothstep(rim - 0.05, rim + 0.02, r)) * (0.6 + 0.4 * r);
        const double a = Saturate(disc + 0.85 * band) * (1 - Smoothstep(0.97, 1.0, r));
        const double mixRim = band / (band + disc + 1e-9);
        out[0] = Saturate(Mixd(0.75, Saturate(red), mixRim));
        out[1] = Saturate(Mixd(0.80, Saturate(green), mixRim));
        out[2] = Saturate(Mixd(0.95, Saturate(blue), mixRim));
        out[3] = a;
    });
}

}  // namespace art
