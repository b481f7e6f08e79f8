// artgen: generates every picture of the saver from source (issue 5).
// Shared basics: vectors, images, a seeded random generator, noise.
// Everything here is deterministic: no clocks, no unordered containers,
// no uninitialised bytes; the same binary gives the same bytes every run.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "tools/picture/picture.h"

namespace art {

// The pictures are the picture toolkit's (tools/picture), shared with the
// tests.
using picture::Bytes;
using picture::Grey;
using picture::Image;

constexpr double kPi = 3.14159265358979323846;

struct Vec3 {
    double x = 0, y = 0, z = 0;
    Vec3() = default;
    constexpr Vec3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
    Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 operator*(double s) const { return {x * s, y * s, z * s}; }
    Vec3 operator*(const Vec3& o) const { return {x * o.x, y * o.y, z * o.z}; }
    Vec3 operator/(double s) const { return {x / s, y / s, z / s}; }
    Vec3& operator+=(const Vec3& o) { return *this = *this + o; }
    Vec3& operator*=(double s) { return *this = *this * s; }
};
inline double Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(const Vec3& a) { return std::sqrt(Dot(a, a)); }
inline Vec3 Normalize(const Vec3& a) { return a / Length(a); }
inline Vec3 Exp(const Vec3& a) { return {std::exp(a.x), std::exp(a.y), std::exp(a.z)}; }
inline Vec3 Mix(const Vec3& a, const Vec3& b, double t) { return a + (b - a) * t; }

inline double Clamp(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }
inline double Saturate(double v) { return Clamp(v, 0.0, 1.0); }
inline double Mixd(double a, double b, double t) { return a + (b - a) * t; }
inline double Smoothstep(double e0, double e1, double x) {
    const double t = Saturate((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}
inline uint8_t ToByte(double v) { return static_cast<uint8_t>(std::lround(Clamp(v, 0.0, 1.0) * 255.0)); }

// SplitMix64: small, seedable, the same sequence on every platform.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double Uniform() { return (Next() >> 11) * (1.0 / 9007199254740992.0); }  // [0, 1)
    double Gaussian() {
        double u1 = Uniform();
        if (u1 < 1e-300)
            u1 = 1e-300;
        const double u2 = Uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * kPi * u2);
    }

private:
    uint64_t state_;
};

// Runs body(i) for i = 0 .. count - 1 on all cores. Every call must write
// only its own outputs, so the result does not depend on the scheduling.
template <typename Body>
void ParallelFor(int count, Body body) {
    const unsigned threads = std::max(1u, std::min(std::thread::hardware_concurrency(), 16u));
    std::atomic<int> next{0};
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t)
        pool.emplace_back([&] {
            for (int i = next++; i < count; i = next++)
                body(i);
        });
    for (std::thread& thread : pool)
        thread.join();
}

// Paints a width x height picture from `paint(x, y, rgba)` (x, y in pixels
// from the top left corner, rgba straight) averaged over super x super
// samples a pixel, colour weighted by alpha; a pixel nothing covers gets
// `clear`.
template <typename Paint>
Image Supersample(int width, int height, int super, const std::array<uint8_t, 4>& clear, Paint paint) {
    Image image(width, height);
    ParallelFor(height, [&](int row) {
        for (int col = 0; col < width; ++col) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < super; ++sy)
                for (int sx = 0; sx < super; ++sx) {
                    double c[4];
                    paint(col + (sx + 0.5) / super, row + (sy + 0.5) / super, c);
                    r += c[0] * c[3];
                    g += c[1] * c[3];
                    b += c[2] * c[3];
                    a += c[3];
                }
            const double n = super * super;
            if (a > 1e-9)
                image.Set(col, row, ToByte(r / a), ToByte(g / a), ToByte(b / a), ToByte(a / n));
            else
                image.Set(col, row, clear[0], clear[1], clear[2], clear[3]);
        }
    });
    return image;
}

// Integer hash of a lattice point, for noise.
inline uint32_t Hash3(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B1u ^ static_cast<uint32_t>(x) * 0x85EBCA77u ^ static_cast<uint32_t>(y) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

// 2D gradient noise in about [-1, 1]. With period > 0 the lattice wraps
// every `period` cells, which makes the noise tile.
double GradientNoise(double x, double y, uint32_t seed, int period = 0);
// Fractal sum of gradient noise, normalised to about [-1, 1].
double Fbm(double x, double y, int octaves, double lacunarity, double gain, uint32_t seed, int period = 0);

}  // namespace art
