// The thirty heightmap frames of the sea's animation (resources 370-399).
//
// A directional ocean spectrum (a long swell and a shorter wind sea from
// 45 degrees beside it, with a k^-4.5 tail) is sampled on the 256 x 256 periodic
// grid: every wave vector is a whole number of periods across the tile, so
// each frame tiles in both directions. Every wave turns a whole number of
// cycles over the thirty frames (the looping dispersion of Tessendorf's
// "Simulating Ocean Water": omega rounded to multiples of 2 pi / 30), so frame
// 29 leads into frame 0 like any frame into the next. Heights and horizontal
// "choppy" displacements come from inverse FFTs; the displaced surface is
// resampled onto the regular grid (sharper crests, broader troughs), and one
// monotonic map for all frames brings the heights to the statistics the
// water's vertex heights are tuned for (mean 128, range 109..211).
#include <array>
#include <complex>
#include <stdexcept>

#include "generators.h"

namespace art {
namespace {

using Complex = std::complex<double>;
constexpr int N = 256;
constexpr int kFrames = 30;

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

// Directional spectrum density at wave vector (m, n), in cycles per tile.
double Spectrum(int m, int n) {
    const double k = std::sqrt(double(m) * m + double(n) * n);
    if (k < 0.5 || std::abs(m) >= N / 2 || std::abs(n) >= N / 2)
        return 0;
    const double theta = std::atan2(double(n), double(m));
    auto lobe = [&](double peak, double dirDeg, double spread, double backFraction) {
        // JONSWAP-like radial shape with a peak enhancement, k^-4 tail.
        const double r = peak / k;
        const double sigma = k <= peak ? 0.07 : 0.09;
        const double gammaTerm = std::pow(3.3, std::exp(-(k - peak) * (k - peak) / (2 * sigma * sigma * peak * peak)));
        const double radial = std::pow(k, -4.5) * std::exp(-1.25 * r * r * r * r) * gammaTerm;
        const double c = std::cos(theta - dirDeg * kPi / 180.0);
        const double dir = c > 0 ? std::pow(c, spread) : backFraction * std::pow(-c, spread);
        return radial * dir;
    };
    // A long-crested swell, a wind sea 45 degrees beside it, and a short-wave
    // tail spread more widely (so the sea is not corduroy).
    double s =
        1.00 * lobe(5.0, 20.0, 24.0, 0.0) + 0.30 * lobe(9.0, -25.0, 6.0, 0.02) + 0.05 * lobe(20.0, -5.0, 2.0, 0.05);
    s *= std::exp(-(k / 64.0) * (k / 64.0));  // fade out towards the grid's limit
    return s;
}

// Whole cycles over the loop: deep-water dispersion, slowed and rounded.
int LoopCycles(int m, int n) {
    const double k = std::sqrt(double(m) * m + double(n) * n);
    const int j = static_cast<int>(std::lround(0.85 * std::sqrt(k)));
    return std::max(1, std::min(7, j));
}

}  // namespace

std::vector<Grey> MakeHeightmaps() {
    const size_t count = static_cast<size_t>(N) * N;
    // Initial amplitudes h0(k): complex Gaussian times sqrt(spectrum).
    Rng rng(0x0CEA4B21E5EAull);
    std::vector<Complex> h0(count);
    for (int row = 0; row < N; ++row)
        for (int col = 0; col < N; ++col) {
            const double g1 = rng.Gaussian(), g2 = rng.Gaussian();
            const double amp = std::sqrt(Spectrum(Signed(col), Signed(row)) / 2.0);
            h0[row * N + col] = Complex(g1, g2) * amp;
        }

    std::vector<std::vector<double>> heights(kFrames), dispX(kFrames), dispY(kFrames);
    ParallelFor(kFrames, [&](int f) {
        std::vector<Complex> H(count), DX(count), DY(count);
        for (int row = 0; row < N; ++row)
            for (int col = 0; col < N; ++col) {
                const int m = Signed(col), n = Signed(row);
                const double phase = 2 * kPi * LoopCycles(m, n) * f / kFrames;
                const Complex e(std::cos(phase), -std::sin(phase));
                const Complex hk = h0[row * N + col] * e + std::conj(h0[Wrap(-row) * N + Wrap(-col)]) * std::conj(e);
                H[row * N + col] = hk;
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

    // One monotonic map v = A + B exp(c h) for all frames: c sets where the
    // mean falls between the extremes ((128 - 109) / (211 - 109)), A and B
    // pin the extremes to 109 and 211.
    double hmin = 1e30, hmax = -1e30;
    for (const auto& fr : choppy)
        for (double v : fr) {
            hmin = std::min(hmin, v);
            hmax = std::max(hmax, v);
        }
    const double kLow = 109, kHigh = 211, kMean = 128;
    const double target = (kMean - kLow) / (kHigh - kLow);
    // The mean of (exp(c t) - 1) / (exp(c) - 1) over all normalised heights
    // t, from a fine histogram of t.
    constexpr int kBins = 1 << 14;
    std::vector<double> histogram(kBins, 0);
    for (const auto& fr : choppy)
        for (double v : fr)
            histogram[std::min(kBins - 1, static_cast<int>((v - hmin) / (hmax - hmin) * kBins))] += 1;
    const double total = double(kFrames) * count;
    auto meanFraction = [&](double c) {
        double sum = 0;
        const double denom = std::expm1(c);
        for (int i = 0; i < kBins; ++i)
            if (histogram[i] > 0)
                sum += histogram[i] * std::expm1(c * (i + 0.5) / kBins) / denom;
        return sum / total;
    };
    double clo = 1e-3, chi = 20;
    for (int it = 0; it < 50; ++it) {
        const double mid = 0.5 * (clo + chi);
        (meanFraction(mid) > target ? clo : chi) = mid;
    }
    const double c = 0.5 * (clo + chi);
    std::vector<Grey> frames;
    for (int f = 0; f < kFrames; ++f) {
        Grey g(N, N);
        for (size_t i = 0; i < count; ++i) {
            const double t = std::expm1(c * (choppy[f][i] - hmin) / (hmax - hmin)) / std::expm1(c);
            g.v[i] = static_cast<uint8_t>(std::lround(kLow + (kHigh - kLow) * t));
        }
        frames.push_back(std::move(g));
    }
    return frames;
}

}  // namespace art
