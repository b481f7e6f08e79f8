#include "art.h"

namespace art {
namespace {

inline double Fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

inline double Grad(int32_t ix, int32_t iy, uint32_t seed, double dx, double dy) {
    // One of 16 unit gradients.
    static const double kDirs[16][2] = {{1.0, 0.0},  {0.92388, 0.38268},   {0.70711, 0.70711},   {0.38268, 0.92388},
                                        {0.0, 1.0},  {-0.38268, 0.92388},  {-0.70711, 0.70711},  {-0.92388, 0.38268},
                                        {-1.0, 0.0}, {-0.92388, -0.38268}, {-0.70711, -0.70711}, {-0.38268, -0.92388},
                                        {0.0, -1.0}, {0.38268, -0.92388},  {0.70711, -0.70711},  {0.92388, -0.38268}};
    const double* g = kDirs[Hash3(ix, iy, seed) & 15];
    return g[0] * dx + g[1] * dy;
}

inline int32_t Wrap(int32_t i, int period) {
    if (period <= 0)
        return i;
    i %= period;
    return i < 0 ? i + period : i;
}

}  // namespace

double GradientNoise(double x, double y, uint32_t seed, int period) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int32_t ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
    const double dx = x - fx, dy = y - fy;
    const int32_t x0 = Wrap(ix, period), x1 = Wrap(ix + 1, period);
    const int32_t y0 = Wrap(iy, period), y1 = Wrap(iy + 1, period);
    const double n00 = Grad(x0, y0, seed, dx, dy);
    const double n10 = Grad(x1, y0, seed, dx - 1, dy);
    const double n01 = Grad(x0, y1, seed, dx, dy - 1);
    const double n11 = Grad(x1, y1, seed, dx - 1, dy - 1);
    const double u = Fade(dx), v = Fade(dy);
    return 1.4142 * Mixd(Mixd(n00, n10, u), Mixd(n01, n11, u), v);
}

double Fbm(double x, double y, int octaves, double lacunarity, double gain, uint32_t seed, int period) {
    double sum = 0, amp = 1, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * GradientNoise(x, y, seed + 101u * i, period);
        norm += amp;
        amp *= gain;
        x *= lacunarity;
        y *= lacunarity;
        if (period > 0)
            period = static_cast<int>(period * lacunarity);
    }
    return sum / norm;
}

}  // namespace art
