// The art's DXT3 encoder (see dxt3_encoder.h). Everything in double
// precision and in a fixed order: the same bytes on every run.
#include "tools/picture/dxt3_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace picture {
namespace {

// Power-iteration steps when looking for a block's main colour axis.
constexpr int kAxisIterations = 16;

double Clamp(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }
double Dot3(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

struct Endpoint {
    int r, g, b;  // 5, 6, 5 bits
};

void Expand(const Endpoint& e, double out[3]) {
    out[0] = (e.r << 3) | (e.r >> 2);
    out[1] = (e.g << 2) | (e.g >> 4);
    out[2] = (e.b << 3) | (e.b >> 2);
}

uint16_t Pack(const Endpoint& e) { return static_cast<uint16_t>((e.r << 11) | (e.g << 5) | e.b); }

Endpoint Quantise(const double c[3]) {
    return {static_cast<int>(Clamp(std::lround(c[0] * 31.0 / 255.0), 0, 31)),
            static_cast<int>(Clamp(std::lround(c[1] * 63.0 / 255.0), 0, 63)),
            static_cast<int>(Clamp(std::lround(c[2] * 31.0 / 255.0), 0, 31))};
}

// Error of the best index choice for every pixel; fills `indices`.
double Fit(const double px[16][3], const Endpoint& e0, const Endpoint& e1, int indices[16]) {
    double c[4][3];
    Expand(e0, c[0]);
    Expand(e1, c[1]);
    for (int k = 0; k < 3; ++k) {
        c[2][k] = (2 * c[0][k] + c[1][k]) / 3.0;
        c[3][k] = (c[0][k] + 2 * c[1][k]) / 3.0;
    }
    double total = 0;
    for (int i = 0; i < 16; ++i) {
        double best = 1e30;
        int bestIndex = 0;
        for (int j = 0; j < 4; ++j) {
            const double dr = px[i][0] - c[j][0], dg = px[i][1] - c[j][1], db = px[i][2] - c[j][2];
            const double err = dr * dr + dg * dg + db * db;
            if (err < best) {
                best = err;
                bestIndex = j;
            }
        }
        indices[i] = bestIndex;
        total += best;
    }
    return total;
}

// Least-squares endpoints for fixed indices (weights 1, 0, 2/3, 1/3 of c0).
bool Refit(const double px[16][3], const int indices[16], double a[3], double b[3]) {
    static const double w0[4] = {1.0, 0.0, 2.0 / 3.0, 1.0 / 3.0};
    double aa = 0, bb = 0, ab = 0, ax[3] = {0, 0, 0}, bx[3] = {0, 0, 0};
    for (int i = 0; i < 16; ++i) {
        const double wa = w0[indices[i]], wb = 1.0 - wa;
        aa += wa * wa;
        bb += wb * wb;
        ab += wa * wb;
        for (int k = 0; k < 3; ++k) {
            ax[k] += wa * px[i][k];
            bx[k] += wb * px[i][k];
        }
    }
    const double det = aa * bb - ab * ab;
    if (std::fabs(det) < 1e-9)
        return false;
    for (int k = 0; k < 3; ++k) {
        a[k] = Clamp((ax[k] * bb - bx[k] * ab) / det, 0, 255);
        b[k] = Clamp((bx[k] * aa - ax[k] * ab) / det, 0, 255);
    }
    return true;
}

void EncodeColourBlock(const double px[16][3], uint8_t out[8]) {
    // Principal axis by power iteration on the covariance.
    double mean[3] = {0, 0, 0};
    for (int i = 0; i < 16; ++i)
        for (int k = 0; k < 3; ++k)
            mean[k] += px[i][k] / 16.0;
    double cov[3][3] = {};
    for (int i = 0; i < 16; ++i)
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                cov[r][c] += (px[i][r] - mean[r]) * (px[i][c] - mean[c]);
    double axis[3] = {0.577, 0.577, 0.577};
    for (int it = 0; it < kAxisIterations; ++it) {
        const double n[3] = {Dot3(cov[0], axis), Dot3(cov[1], axis), Dot3(cov[2], axis)};
        const double len = std::sqrt(Dot3(n, n));
        if (len < 1e-12)
            break;
        for (int r = 0; r < 3; ++r)
            axis[r] = n[r] / len;
    }
    double lo = 1e30, hi = -1e30;
    for (int i = 0; i < 16; ++i) {
        const double t =
            (px[i][0] - mean[0]) * axis[0] + (px[i][1] - mean[1]) * axis[1] + (px[i][2] - mean[2]) * axis[2];
        lo = std::min(lo, t);
        hi = std::max(hi, t);
    }
    double a[3], b[3];
    for (int k = 0; k < 3; ++k) {
        a[k] = Clamp(mean[k] + axis[k] * hi, 0, 255);
        b[k] = Clamp(mean[k] + axis[k] * lo, 0, 255);
    }
    Endpoint e0 = Quantise(a), e1 = Quantise(b);
    int indices[16];
    double err = Fit(px, e0, e1, indices);
    // Takes the endpoints (t0, t1) when they fit the block better.
    const auto takeIfBetter = [&](const Endpoint& t0, const Endpoint& t1) {
        int trial[16];
        const double trialError = Fit(px, t0, t1, trial);
        if (trialError >= err)
            return false;
        err = trialError;
        e0 = t0;
        e1 = t1;
        std::memcpy(indices, trial, sizeof indices);
        return true;
    };
    // Two rounds of least-squares refit.
    for (int round = 0; round < 2; ++round) {
        double ra[3], rb[3];
        if (!Refit(px, indices, ra, rb) || !takeIfBetter(Quantise(ra), Quantise(rb)))
            break;
    }
    // Greedy search: nudge each endpoint component by one step.
    for (int pass = 0; pass < 8; ++pass) {
        bool improved = false;
        for (int which = 0; which < 6; ++which) {
            for (int delta = -1; delta <= 1; delta += 2) {
                Endpoint t0 = e0, t1 = e1;
                Endpoint& t = which < 3 ? t0 : t1;
                int* comp = (which % 3 == 0) ? &t.r : (which % 3 == 1) ? &t.g : &t.b;
                const int maxv = (which % 3 == 1) ? 63 : 31;
                *comp += delta;
                if (*comp < 0 || *comp > maxv)
                    continue;
                if (takeIfBetter(t0, t1))
                    improved = true;
            }
        }
        if (!improved)
            break;
    }
    uint16_t c0 = Pack(e0), c1 = Pack(e1);
    if (c0 < c1) {
        std::swap(c0, c1);
        static const int swapIndex[4] = {1, 0, 3, 2};
        for (int& i : indices)
            i = swapIndex[i];
    } else if (c0 == c1) {
        for (int& i : indices)
            i = 0;
    }
    out[0] = c0 & 0xFF;
    out[1] = c0 >> 8;
    out[2] = c1 & 0xFF;
    out[3] = c1 >> 8;
    for (int row = 0; row < 4; ++row) {
        out[4 + row] = static_cast<uint8_t>(indices[row * 4] | (indices[row * 4 + 1] << 2) |
                                            (indices[row * 4 + 2] << 4) | (indices[row * 4 + 3] << 6));
    }
}

}  // namespace

Bytes EncodeDxt3(const Image& image) {
    Bytes out;
    out.reserve(static_cast<size_t>(image.width / 4) * (image.height / 4) * 16);
    for (int by = 0; by < image.height; by += 4)
        for (int bx = 0; bx < image.width; bx += 4) {
            uint8_t block[16];
            double px[16][3];
            for (int i = 0; i < 16; ++i) {
                const uint8_t* p = image.At(bx + i % 4, by + i / 4);
                for (int k = 0; k < 3; ++k)
                    px[i][k] = p[k];
            }
            for (int i = 0; i < 8; ++i) {
                const int a0 = (image.At(bx + (2 * i) % 4, by + (2 * i) / 4)[3] + 8) / 17;
                const int a1 = (image.At(bx + (2 * i + 1) % 4, by + (2 * i + 1) / 4)[3] + 8) / 17;
                block[i] = static_cast<uint8_t>(a0 | (a1 << 4));
            }
            EncodeColourBlock(px, block + 8);
            out.insert(out.end(), block, block + 16);
        }
    return out;
}

}  // namespace picture
