// The preview picture (bitmap 246): 152 x 112, the sea at dusk, looking
// towards the setting sun. It is ray-cast from the pieces the saver draws:
// the sky (our sky function, as the cube map carries it), the waves of
// heightmap frame 0 as normals (with the finer copy the water's pixel shader
// adds), the Fresnel ramp (resource 363) and the water colour, lit in linear
// light so that the sun leaves a glittering path.
#include "art_table.h"
#include "generators.h"

namespace art {
namespace {

constexpr int kSide = ART_HEIGHTMAP_SIDE;                      // the heightmap's texels, both ways
constexpr double kTexelsPerUnit = ART_HEIGHTMAP_SIDE / 100.0;  // over the 100-unit water tile
constexpr int kRampTexels = ART_FRESNEL_RAMP_WIDTH;

struct Heights {
    const Grey& map;
    double At(double x, double y) const {  // bilinear, wrapping, in texels
        const double fx = std::floor(x), fy = std::floor(y);
        const int x0 = ((static_cast<int>(fx) % kSide) + kSide) % kSide;
        const int y0 = ((static_cast<int>(fy) % kSide) + kSide) % kSide;
        const int x1 = (x0 + 1) % kSide, y1 = (y0 + 1) % kSide;
        const double tx = x - fx, ty = y - fy;
        auto v = [&](int xx, int yy) { return map.v[yy * kSide + xx] / 255.0; };
        return Mixd(Mixd(v(x0, y0), v(x1, y0), tx), Mixd(v(x0, y1), v(x1, y1), tx), ty);
    }
    // Tangent-space normal as D3DXComputeNormalMap makes it (amplitude 3),
    // smoothed over `blur` texels to stand in for the mip level.
    Vec3 Normal(double x, double y, double blur) const {
        const double s = std::max(1.0, blur);
        const double dx = (At(x + s, y) - At(x - s, y)) / (2 * s);
        const double dy = (At(x, y + s) - At(x, y - s)) / (2 * s);
        return Normalize(Vec3(-3.0 * dx, -3.0 * dy, 1.0));
    }
};

Vec3 Reflect(const Vec3& i, const Vec3& n) { return i - n * (2 * Dot(n, i)); }

}  // namespace

Image MakePreview(const Sky& sky, const Grey& heightmap, int width, int height) {
    const Grey ramp = MakeFresnelRamp();
    const Heights heights{heightmap};
    // Deep water at dusk: the shader's colour (59, 94, 83), dimmed and bluer.
    const Vec3 water = Vec3(std::pow(59 / 255.0, 2.2), std::pow(94 / 255.0, 2.2), std::pow(83 / 255.0, 2.2)) * 0.22 +
                       Vec3(0.002, 0.006, 0.016);
    const Vec3 eye(0, 6.0, 0);
    const double pitch = -0.085;
    const Vec3 forward = Normalize(Vec3(0, std::sin(pitch), std::cos(pitch)));
    const Vec3 right(1, 0, 0);
    const Vec3 up = Cross(forward, right);
    const double tanHalf = std::tan(0.5 * 0.9);
    const double aspect = double(width) / height;
    Image image(width, height);
    constexpr int kSuper = 5;
    ParallelFor(height, [&](int row) {
        for (int col = 0; col < width; ++col) {
            Vec3 sum;
            for (int s = 0; s < kSuper * kSuper; ++s) {
                const double sx = (2 * (col + (s % kSuper + 0.5) / kSuper) / width - 1) * tanHalf * aspect;
                const double sy = (1 - 2 * (row + (s / kSuper + 0.5) / kSuper) / height) * tanHalf;
                const Vec3 d = Normalize(forward + right * sx + up * sy);
                if (d.y > -0.003) {  // above the far edge of the sea
                    sum += sky.Radiance(d);
                    continue;
                }
                const double t = (eye.y - 1.0) / -d.y;
                const Vec3 p = eye + d * t;
                // The footprint stands in for the mip level.
                const double tx = p.x * kTexelsPerUnit, tz = p.z * kTexelsPerUnit;
                const double footprint = t * 0.004 * kTexelsPerUnit / std::max(-d.y, 0.05);
                const Vec3 n1 = heights.Normal(tx, tz, footprint * 0.5);
                const Vec3 n16 = heights.Normal(tx * 8, tz * 8, footprint * 4);
                Vec3 n = n1 * 0.75 + n16 * 0.25;
                n.x *= 2.2;
                n.y *= 2.2;
                n = Normalize(n);
                const Vec3 normal(n.x, n.z, n.y);  // tangent (x, y, up) -> world (x, up, z)
                Vec3 refl = Reflect(d, normal);
                if (refl.y < 0.002)
                    refl = Normalize(Vec3(refl.x, 0.002, refl.z));
                const double cosTheta = Saturate(-Dot(d, normal));
                // Water's Fresnel reflectance through the ramp of resource 363
                // (coordinate = cosine of the angle to the normal).
                const double rc = Clamp(cosTheta * kRampTexels - 0.5, 0, kRampTexels - 1);
                const int r0 = static_cast<int>(rc), r1 = std::min(r0 + 1, kRampTexels - 1);
                const double f = Mixd(ramp.v[r0], ramp.v[r1], rc - r0) / 255.0;
                const double light = 0.4 + 0.6 * Saturate(Dot(normal, Normalize(Vec3(0, 0.4, 1))));
                sum += Mix(water * light, sky.Radiance(refl), f);
            }
            const Vec3 c = sky.ToDisplay(sum / (kSuper * kSuper));
            image.Set(col, row, ToByte(c.x), ToByte(c.y), ToByte(c.z));
        }
    });
    return image;
}

}  // namespace art
