// The thirty heightmap frames of the sea's animation (resources 370-399).
//
// Two bands of a directional ocean spectrum are sampled on the 256 x 256
// periodic grid, every wave vector a whole number of periods across the
// tile, so each frame tiles in both directions:
// - the swell (a long-crested swell, a wind sea 45 degrees beside it and a
//   short tail): heights and horizontal "choppy" displacements come from
//   inverse FFTs, and the displaced surface is resampled onto the regular
//   grid (sharper crests, broader troughs);
// - the short wind waves on top of it (3.6 world units long at their peak),
//   added to the resampled swell. They carry most of the slope: the normal
//   maps made from these frames have the mean-square slope of a sea in a
//   light to moderate breeze, about 0.028, which breaks the sky's reflection
//   and spreads the sun into a glitter path.
// Every wave turns a whole number of cycles over the thirty frames (the
// looping dispersion of Tessendorf's "Simulating Ocean Water"), so frame 29
// leads into frame 0 like any frame into the next. One map for all frames,
// linear through the bulk of the heights and soft at the extremes, brings
// them to the statistics the water's vertex heights are tuned for (mean 128,
// range within 101..219).
#include <array>
#include <complex>
#include <stdexcept>

#include "art_table.h"
#include "generators.h"

namespace art {
namespace {

using Complex = std::complex<double>;
constexpr int N = ART_HEIGHTMAP_SIDE;
constexpr int kFrames = ART_HEIGHTMAP_FRAMES;

// In-place radix-2 FFT of length N with sign +1 (inverse, unscaled) or -1.
void Fft(Complex* data, int stride, int sign) {
    Complex tmp[N];
    for (int i = 0; i < N; ++i)
        tmp[i] = data[i * stride];
    for (int i = 1, j = 0; i < N; ++i) {
        int bit = N >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(tmp[i], tmp[j]);
    }
    for (int len = 2; len <= N; len <<= 1) {
        const double ang = sign * 2 * kPi / len;
        for (int i = 0; i < N; i += len)
            for (int k = 0; k < len / 2; ++k) {
                const Complex w(std::cos(ang * k), std::sin(ang * k));
                const Complex u = tmp[i + k], v = tmp[i + k + len / 2] * w;
                tmp[i + k] = u + v;
                tmp[i + k + len / 2] = u - v;
            }
    }
    for (int i = 0; i < N; ++i)
        data[i * stride] = tmp[i];
}

// Real part of the inverse 2D transform: f(x, y) = sum F(m, n) e^{2 pi i (m x + n y) / N}.
std::vector<double> Inverse2D(std::vector<Complex> spectrum) {
    for (int row = 0; row < N; ++row)
        Fft(&spectrum[static_cast<size_t>(row) * N], 1, +1);
    for (int col = 0; col < N; ++col)
        Fft(&spectrum[col], N, +1);
    std::vector<double> out(static_cast<size_t>(N) * N);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = spectrum[i].real();
    return out;
}

inline int Wrap(int i) { return ((i % N) + N) % N; }
inline int Signed(int i) { return i < N / 2 ? i : i - N; }  // array index -> wave number

double Bilinear(const std::vector<double>& f, double x, double y) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int x0 = Wrap(static_cast<int>(fx)), y0 = Wrap(static_cast<int>(fy));
    const int x1 = Wrap(x0 + 1), y1 = Wrap(y0 + 1);
    const double tx = x - fx, ty = y - fy;
    const double a = f[y0 * N + x0] * (1 - tx) + f[y0 * N + x1] * tx;
    const double b = f[y1 * N + x0] * (1 - tx) + f[y1 * N + x1] * tx;
    return a * (1 - ty) + b * ty;
}

double CatmullRom(double p0, double p1, double p2, double p3, double t) {
    return p1 + 0.5 * t * (p2 - p0 + t * (2 * p0 - 5 * p1 + 4 * p2 - p3 + t * (3 * (p1 - p2) + p3 - p0)));
}

double Bicubic(const std::vector<double>& f, double x, double y) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    double rows[4];
    for (int r = 0; r < 4; ++r) {
        const int yy = Wrap(iy - 1 + r);
        rows[r] = CatmullRom(f[yy * N + Wrap(ix - 1)], f[yy * N + Wrap(ix)], f[yy * N + Wrap(ix + 1)],
                             f[yy * N + Wrap(ix + 2)], x - fx);
    }
    return CatmullRom(rows[0], rows[1], rows[2], rows[3], y - fy);
}

// JONSWAP-like radial shape with a peak enhancement and a k^-tail fall-off,
// times a cos^spread directional spread about dirDeg (backFraction of it
// against that direction); k in cycles per tile, theta in radians.
double Lobe(double k, double theta, double peak, double tail, double dirDeg, double spread, double backFraction) {
    const double r = peak / k;
    const double sigma = k <= peak ? 0.07 : 0.09;
    const double gammaTerm = std::pow(3.3, std::exp(-(k - peak) * (k - peak) / (2 * sigma * sigma * peak * peak)));
    const double radial = std::pow(k, -tail) * std::exp(-1.25 * r * r * r * r) * gammaTerm;
    const double c = std::cos(theta - dirDeg * kPi / 180.0);
    const double dir = c > 0 ? std::pow(c, spread) : backFraction * std::pow(-c, spread);
    return radial * dir;
}

enum class Band { Swell, WindWaves };

// Directional spectrum density of a band at wave vector (m, n), in cycles per tile.
double Spectrum(Band band, int m, int n) {
    const double k = std::sqrt(double(m) * m + double(n) * n);
    if (k < 0.5 || std::abs(m) >= N / 2 || std::abs(n) >= N / 2)
        return 0;
    const double theta = std::atan2(double(n), double(m));
    if (band == Band::WindWaves) {
        // Short-crested waves 28 cycles to the tile, from the wind sea's
        // direction, fading out before the grid's limit.
        return Lobe(k, theta, 28.0, 4.0, -5.0, 4.0, 0.05) * std::exp(-(k / 90.0) * (k / 90.0));
    }
    // A long-crested swell, a wind sea 45 degrees beside it, and a short-wave
    // tail spread more widely (so the sea is not corduroy).
    double s = 1.00 * Lobe(k, theta, 5.0, 4.5, 20.0, 24.0, 0.0) + 0.30 * Lobe(k, theta, 9.0, 4.5, -25.0, 6.0, 0.02) +
               0.05 * Lobe(k, theta, 20.0, 4.5, -5.0, 2.0, 0.05);
    s *= std::exp(-(k / 64.0) * (k / 64.0));  // fade out towards the grid's limit
    return s;
}

// Whole cycles over the loop: deep-water dispersion (frequency as the square
// root of the wave number) with the swell's peak, 5 cycles to the tile,
// turning once. The module shows a new frame every second drawn frame, so at
// 33 frames a second the loop lasts 1.8 s: the swell travels about 11 world
// units a second and the short waves 3 to 4.
int LoopCycles(int m, int n) {
    const double k = std::sqrt(double(m) * m + double(n) * n);
    return std::max(1, static_cast<int>(std::lround(std::sqrt(k / 5.0))));
}

}  // namespace

std::vector<Grey> MakeHeightmaps() {
    const size_t count = static_cast<size_t>(N) * N;
    // Initial amplitudes h0(k) of each band: complex Gaussian times sqrt(spectrum).
    Rng rng(0x0CEA4B21E5EAull);
    const auto initialAmplitudes = [&](Band band) {
        std::vector<Complex> h0(count);
        for (int row = 0; row < N; ++row)
            for (int col = 0; col < N; ++col) {
                const double g1 = rng.Gaussian(), g2 = rng.Gaussian();
                h0[row * N + col] = Complex(g1, g2) * std::sqrt(Spectrum(band, Signed(col), Signed(row)) / 2.0);
            }
        return h0;
    };
    const std::vector<Complex> h0 = initialAmplitudes(Band::Swell);
    const std::vector<Complex> w0 = initialAmplitudes(Band::WindWaves);

    std::vector<std::vector<double>> heights(kFrames), dispX(kFrames), dispY(kFrames), windWaves(kFrames);
    ParallelFor(kFrames, [&](int f) {
        std::vector<Complex> H(count), DX(count), DY(count), W(count);
        for (int row = 0; row < N; ++row)
            for (int col = 0; col < N; ++col) {
                const int m = Signed(col), n = Signed(row);
                const double phase = 2 * kPi * LoopCycles(m, n) * f / kFrames;
                const Complex e(std::cos(phase), -std::sin(phase));
                // h(k, t) = h0(k) e^{-i w t} + conj(h0(-k)) e^{i w t}: a real surface.
                const auto atTime = [&](const std::vector<Complex>& a) {
                    return a[row * N + col] * e + std::conj(a[Wrap(-row) * N + Wrap(-col)]) * std::conj(e);
                };
                const Complex hk = atTime(h0);
                H[row * N + col] = hk;
                W[row * N + col] = atTime(w0);
                const double k = std::sqrt(double(m) * m + double(n) * n);
                if (k > 0) {
                    // D = -i k/|k| h: the horizontal displacement of Gerstner waves.
                    DX[row * N + col] = Complex(0, -m / k) * hk;
                    DY[row * N + col] = Complex(0, -n / k) * hk;
                }
            }
        heights[f] = Inverse2D(H);
        dispX[f] = Inverse2D(DX);
        dispY[f] = Inverse2D(DY);
        windWaves[f] = Inverse2D(W);
    });

    // Choppiness: the largest displacement scale at which the surface never
    // folds over (the Jacobian of the horizontal map stays above kFold) in
    // any frame. Steep, nearly cusped Gerstner crests are what make the
    // crests sharp and the troughs broad.
    constexpr double kFold = 0.2;
    // Derivatives of the displacement, by central differences.
    std::vector<std::array<std::vector<double>, 4>> grad(kFrames);
    ParallelFor(kFrames, [&](int f) {
        for (auto& g : grad[f])
            g.resize(count);
        const auto& dx = dispX[f];
        const auto& dy = dispY[f];
        for (int y = 0; y < N; ++y)
            for (int x = 0; x < N; ++x) {
                const size_t i = static_cast<size_t>(y) * N + x;
                grad[f][0][i] = (dx[y * N + Wrap(x + 1)] - dx[y * N + Wrap(x - 1)]) / 2;  // dDx/dx
                grad[f][1][i] = (dx[Wrap(y + 1) * N + x] - dx[Wrap(y - 1) * N + x]) / 2;  // dDx/dy
                grad[f][2][i] = (dy[y * N + Wrap(x + 1)] - dy[y * N + Wrap(x - 1)]) / 2;  // dDy/dx
                grad[f][3][i] = (dy[Wrap(y + 1) * N + x] - dy[Wrap(y - 1) * N + x]) / 2;  // dDy/dy
            }
    });
    // J(lambda) = 1 + lambda (a + d) + lambda^2 (a d - b c) at each texel;
    // the scale is the smallest lambda > 0 at which some J reaches kFold.
    std::vector<double> frameLimit(kFrames, 1e30);
    ParallelFor(kFrames, [&](int f) {
        for (size_t i = 0; i < count; ++i) {
            const double a = grad[f][0][i], b = grad[f][1][i], c = grad[f][2][i], d = grad[f][3][i];
            const double qa = a * d - b * c, qb = a + d, qc = 1 - kFold;
            // Smallest positive root of qa x^2 + qb x + qc = 0, if any.
            double root = 1e30;
            if (std::fabs(qa) < 1e-15) {
                if (qb < 0)
                    root = -qc / qb;
            } else {
                const double disc = qb * qb - 4 * qa * qc;
                if (disc >= 0) {
                    const double s = std::sqrt(disc);
                    for (double x : {(-qb - s) / (2 * qa), (-qb + s) / (2 * qa)})
                        if (x > 0)
                            root = std::min(root, x);
                }
            }
            frameLimit[f] = std::min(frameLimit[f], root);
        }
    });
    const double lambda = *std::min_element(frameLimit.begin(), frameLimit.end());

    // Resample the displaced surface (p + lambda D(p), h(p)) onto the grid:
    // for each grid point q solve p + lambda D(p) = q by Newton steps.
    std::vector<std::vector<double>> choppy(kFrames, std::vector<double>(count));
    ParallelFor(kFrames, [&](int f) {
        for (int y = 0; y < N; ++y)
            for (int x = 0; x < N; ++x) {
                double px = x - lambda * dispX[f][y * N + x], py = y - lambda * dispY[f][y * N + x];
                for (int it = 0; it < 12; ++it) {
                    const double rx = px + lambda * Bilinear(dispX[f], px, py) - x;
                    const double ry = py + lambda * Bilinear(dispY[f], px, py) - y;
                    const double a = 1 + lambda * Bilinear(grad[f][0], px, py);
                    const double b = lambda * Bilinear(grad[f][1], px, py);
                    const double c = lambda * Bilinear(grad[f][2], px, py);
                    const double d = 1 + lambda * Bilinear(grad[f][3], px, py);
                    const double det = a * d - b * c;
                    // Newton step, limited to a texel so that it cannot jump across a crest.
                    double sx = (d * rx - b * ry) / det, sy = (a * ry - c * rx) / det;
                    const double len = std::sqrt(sx * sx + sy * sy);
                    if (len > 1) {
                        sx /= len;
                        sy /= len;
                    }
                    px -= sx;
                    py -= sy;
                }
                choppy[f][y * N + x] = Bicubic(heights[f], px, py);
            }
    });

    // The heights in texel levels: the swell and the wind waves each scaled to
    // a standard deviation of their own over all frames, then one soft map:
    // linear through the bulk, so the short waves keep their slopes on crests
    // and in troughs alike, and flattening smoothly into a floor and a ceiling
    // instead of clipping. The floor leaves only 27 levels below the mean for
    // the troughs, so the deepest are the flattest: broad troughs, sharp crests.
    constexpr double kSwellLevels = 8, kWindWaveLevels = 20;                    // standard deviations, texel levels
    constexpr double kFloor = 101, kCeiling = 219, kSoftness = 6, kMean = 128;  // texel levels
    const auto standardScale = [&](const std::vector<std::vector<double>>& field, double levels) {
        double sum = 0, squares = 0;
        for (const auto& frame : field)
            for (double v : frame) {
                sum += v;
                squares += v * v;
            }
        const double n = double(kFrames) * count, mean = sum / n;
        return std::make_pair(mean, levels / std::sqrt(squares / n - mean * mean));
    };
    const auto swell = standardScale(choppy, kSwellLevels);
    const auto wind = standardScale(windWaves, kWindWaveLevels);
    const auto level = [&](int f, size_t i, double shift) {
        const double v =
            shift + (choppy[f][i] - swell.first) * swell.second + (windWaves[f][i] - wind.first) * wind.second;
        const double floored = kFloor + kSoftness * std::log1p(std::exp((v - kFloor) / kSoftness));
        return kCeiling - kSoftness * std::log1p(std::exp((kCeiling - floored) / kSoftness));
    };
    // The shift that brings the mean of all frames to 128, by bisection (the
    // map rises with the shift) over every seventh texel of every frame.
    constexpr size_t kSampleStride = 7;
    double below = kFloor, above = kCeiling;
    for (int it = 0; it < 24; ++it) {
        const double shift = 0.5 * (below + above);
        double sum = 0, samples = 0;
        for (int f = 0; f < kFrames; ++f)
            for (size_t i = 0; i < count; i += kSampleStride, ++samples)
                sum += level(f, i, shift);
        (sum / samples > kMean ? above : below) = shift;
    }
    const double shift = 0.5 * (below + above);
    std::vector<Grey> frames;
    for (int f = 0; f < kFrames; ++f) {
        Grey g(N, N);
        for (size_t i = 0; i < count; ++i)
            g.v[i] = static_cast<uint8_t>(std::lround(level(f, i, shift)));
        frames.push_back(std::move(g));
    }
    return frames;
}

}  // namespace art
