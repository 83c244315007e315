// meshgen: builds the demo's models procedurally and writes them as Wavefront OBJ files with
// positions, normals and texture coordinates: the six parts of a stylised pig's head and the
// star that part one draws 200 times.
//
//   meshgen OUT_DIR
//
// Coordinates are the demo's own: y up, the pig looking down the -x axis (the head camera's
// last loading pose sits at (-4.5, 0, 0) and looks at (0, 0.3, 0)). Front faces are those whose
// (b - a) x (c - a) points outwards.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct V3 {
    double x = 0, y = 0, z = 0;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, double k) { return {a.x * k, a.y * k, a.z * k}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double length(V3 a) { return std::sqrt(dot(a, a)); }
V3 normalize(V3 a) {
    double l = length(a);
    return l > 0 ? a * (1.0 / l) : V3{0, 1, 0};
}

struct Vertex {
    V3 p, n;
    double u, v;
};

// One OBJ object: vertices with all attributes, triangles as index triples.
struct Model {
    std::vector<Vertex> vertices;
    std::vector<std::array<int, 3>> triangles;

    // Adds a triangle facing along its vertices' normals; degenerate ones are dropped.
    void triangle(int a, int b, int c) {
        V3 pa = vertices[size_t(a)].p, pb = vertices[size_t(b)].p, pc = vertices[size_t(c)].p;
        V3 f = cross(pb - pa, pc - pa);
        if (length(f) < 1e-12) return;
        V3 n = vertices[size_t(a)].n + vertices[size_t(b)].n + vertices[size_t(c)].n;
        if (dot(f, n) < 0) std::swap(b, c);
        triangles.push_back({a, b, c});
    }
    void append(const Model& m) {
        int base = int(vertices.size());
        vertices.insert(vertices.end(), m.vertices.begin(), m.vertices.end());
        for (auto t : m.triangles) triangles.push_back({t[0] + base, t[1] + base, t[2] + base});
    }
    // Uniform scale about the origin, then a move; normals keep their directions.
    void place(double scale, V3 d) {
        for (Vertex& v : vertices) v.p = v.p * scale + d;
    }
};

// A (u, v) grid over a surface; u wraps around, v runs pole to pole. `point` gives the position
// and normal for (u, v) in [0, 1]^2, `uv` the texture coordinate.
Model grid(int nu, int nv, const std::function<Vertex(double, double)>& point) {
    Model m;
    for (int j = 0; j <= nv; ++j)
        for (int i = 0; i <= nu; ++i) m.vertices.push_back(point(double(i) / nu, double(j) / nv));
    for (int j = 0; j < nv; ++j)
        for (int i = 0; i < nu; ++i) {
            int a = j * (nu + 1) + i, b = a + 1, c = a + nu + 1, d = c + 1;
            m.triangle(a, c, b);
            m.triangle(b, c, d);
        }
    return m;
}

using Sdf = std::function<double(V3)>;

double smin(double a, double b, double k) {
    double h = std::clamp(0.5 + 0.5 * (b - a) / k, 0.0, 1.0);
    return b + (a - b) * h - k * h * (1 - h);
}

// Signed distance (approximate) to an ellipsoid centred at c with radii r.
Sdf ellipsoid(V3 c, V3 r) {
    return [=](V3 p) {
        V3 q = p - c;
        V3 s{q.x / r.x, q.y / r.y, q.z / r.z};
        double k0 = length(s), k1 = length(V3{q.x / (r.x * r.x), q.y / (r.y * r.y), q.z / (r.z * r.z)});
        return k1 > 0 ? k0 * (k0 - 1.0) / k1 : -std::min({r.x, r.y, r.z});
    };
}

V3 gradient(const Sdf& f, V3 p) {
    const double e = 1e-4;
    return normalize({f({p.x + e, p.y, p.z}) - f({p.x - e, p.y, p.z}), f({p.x, p.y + e, p.z}) - f({p.x, p.y - e, p.z}),
                      f({p.x, p.y, p.z + e}) - f({p.x, p.y, p.z - e})});
}

// The surface of a shape that every ray from `centre` leaves once at its outermost crossing,
// sampled on a sphere grid with spherical texture coordinates.
Model blob(const Sdf& f, V3 centre, double reach, int nu, int nv) {
    return grid(nu, nv, [&](double u, double v) {
        double phi = u * 2 * kPi, theta = v * kPi;
        V3 dir{std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
        // March inwards from outside to the first point inside, then bisect.
        double outside = reach, inside = 0;
        const int steps = 240;
        for (int s = 1; s <= steps; ++s) {
            double r = reach * (1.0 - double(s) / steps);
            if (f(centre + dir * r) < 0) {
                inside = r;
                outside = reach * (1.0 - double(s - 1) / steps);
                break;
            }
        }
        for (int k = 0; k < 40; ++k) {
            double mid = 0.5 * (inside + outside);
            (f(centre + dir * mid) < 0 ? inside : outside) = mid;
        }
        V3 p = centre + dir * (0.5 * (inside + outside));
        return Vertex{p, gradient(f, p), u, 1.0 - v};
    });
}

// ---- the pig ----------------------------------------------------------------------------------

// Snout: a round-edged cylinder along x.
double snout(V3 p) {
    const double x0 = -0.72, x1 = -0.30, radius = 0.235, round = 0.07, cy = -0.08;
    double radial = std::hypot(p.y - cy, p.z * 1.08) - (radius - round);
    double axial = std::fabs(p.x - 0.5 * (x0 + x1)) - (0.5 * (x1 - x0) - round);
    double outer = std::hypot(std::max(radial, 0.0), std::max(axial, 0.0)) + std::min(std::max(radial, axial), 0.0);
    return outer - round;
}

double headSdf(V3 p) {
    double d = ellipsoid({0.05, 0.05, 0}, {0.48, 0.44, 0.50})(p);
    d = smin(d, snout(p), 0.14);
    for (double side : {-1.0, 1.0}) d = smin(d, ellipsoid({-0.16, -0.13, side * 0.24}, {0.28, 0.21, 0.21})(p), 0.12);
    d = smin(d, ellipsoid({0.2, -0.25, 0}, {0.35, 0.2, 0.34})(p), 0.15);  // jowls and neck
    return d;
}

// An ear: a flattened, tilted ellipsoid whose tip droops forward.
Sdf ear(double side) {
    return [side](V3 p) {
        V3 base{0.12, 0.38, side * 0.26};
        V3 q = p - base;
        // Tilt outwards and back, then bend the upper part forward.
        double a = side * 0.55, b = -0.35;
        V3 r{q.x, q.y * std::cos(a) + q.z * std::sin(a), -q.y * std::sin(a) + q.z * std::cos(a)};
        r = {r.x * std::cos(b) - r.y * std::sin(b), r.x * std::sin(b) + r.y * std::cos(b), r.z};
        double up = std::max(0.0, r.y);
        r.x += 0.9 * up * up;
        return ellipsoid({0, 0.12, 0}, {0.06, 0.22, 0.15})(r);
    };
}

// The parts are modelled at about a unit across; the head is shown larger so that it fills a
// good part of the picture from the head camera's distance, centred where that camera looks.
const V3 kHeadOffset{0, 0.3, 0};
const double kHeadScale = 1.4;

Model head() {
    Model m = blob(headSdf, {-0.1, -0.02, 0}, 1.2, 112, 72);
    for (double side : {-1.0, 1.0}) m.append(blob(ear(side), {0.05, 0.5, side * 0.34}, 0.5, 40, 24));
    m.place(kHeadScale, kHeadOffset);
    return m;
}

Model jaw() {
    // The lower jaw under the snout, slightly open.
    Sdf f = [](V3 p) {
        double d = ellipsoid({-0.42, -0.3, 0}, {0.27, 0.085, 0.19})(p);
        return smin(d, ellipsoid({-0.2, -0.28, 0}, {0.22, 0.1, 0.22})(p), 0.08);
    };
    Model m = blob(f, {-0.35, -0.29, 0}, 0.6, 64, 32);
    m.place(kHeadScale, kHeadOffset);
    return m;
}

Model nostrils() {
    Model m;
    for (double side : {-1.0, 1.0})
        m.append(blob(ellipsoid({-0.722, -0.07, side * 0.085}, {0.025, 0.07, 0.042}), {-0.722, -0.07, side * 0.085}, 0.15,
                      24, 16));
    m.place(kHeadScale, kHeadOffset);
    return m;
}

// A ring through the septum, hanging below the snout and facing forward.
Model ring() {
    const V3 c{-0.735, -0.2, 0};
    const double major = 0.11, minor = 0.016;
    Model m = grid(64, 16, [&](double u, double v) {
        double a = u * 2 * kPi, b = v * 2 * kPi;
        V3 dir{0, std::sin(a), std::cos(a)};
        V3 n = dir * std::cos(b) + V3{1, 0, 0} * std::sin(b);
        return Vertex{c + dir * major + n * minor, n, u, v};
    });
    m.place(kHeadScale, kHeadOffset);
    return m;
}

// A tapered, slightly curved tooth from `base` along `axis`.
Sdf tooth(V3 base, V3 axis, double len, double radius, V3 curl) {
    axis = normalize(axis);
    return [=](V3 p) {
        V3 q = p - base;
        double t = std::clamp(dot(q, axis) / len, 0.0, 1.0);
        V3 centre = axis * (t * len) + curl * (t * t);
        double r = radius * (1.0 - 0.85 * t);
        double side = length(q - centre) - r;
        double along = dot(q, axis);
        return std::max({side, -along, along - len});
    };
}

Model teeth() {
    Model m;
    for (double side : {-1.0, 1.0}) {
        // Tusks rising from the corners of the jaw.
        V3 base{-0.48, -0.26, side * 0.17};
        m.append(blob(tooth(base, {-0.25, 1, side * 0.35}, 0.17, 0.034, {0.03, 0, side * 0.03}), base + V3{-0.01, 0.04, side * 0.01},
                      0.3, 24, 20));
        // Small front teeth along the jaw's edge.
        for (int i = 0; i < 3; ++i) {
            double z = side * (0.03 + 0.045 * i);
            V3 b{-0.64 + 0.03 * i, -0.235, z};
            m.append(blob(tooth(b, {0, 1, 0}, 0.05, 0.018, {0, 0, 0}), b + V3{0, 0.012, 0}, 0.1, 16, 12));
        }
    }
    m.place(kHeadScale, kHeadOffset);
    return m;
}

// Two eyes, each mapped with the pupil at the texture's centre: the texture coordinate's
// distance from (0.5, 0.5) grows with the angle from the gaze, reaching the border at the back.
Model eyes() {
    Model m;
    for (double side : {-1.0, 1.0}) {
        V3 c{-0.335, 0.2, side * 0.19};
        double r = 0.078;
        V3 f = normalize({-0.85, 0.18, side * 0.42});  // gaze
        V3 e1 = normalize(cross(f, {0, 1, 0}));
        V3 e2 = cross(e1, f);
        m.append(grid(48, 32, [&](double u, double v) {
            double psi = u * 2 * kPi, theta = v * kPi;
            V3 n = f * std::cos(theta) + (e1 * std::cos(psi) + e2 * std::sin(psi)) * std::sin(theta);
            double k = 0.5 * v;
            return Vertex{c + n * r, n, 0.5 + k * std::cos(psi) * side, 0.5 + k * std::sin(psi)};
        }));
    }
    m.place(kHeadScale, kHeadOffset);
    return m;
}

// ---- the star ---------------------------------------------------------------------------------

// A five-pointed star with pyramid faces on both sides and a thin rim, flat shaded, about two
// units across, lying in the x-y plane.
Model star() {
    Model m;
    const int points = 5;
    const double outer = 1.0, inner = 0.42, apex = 0.32, rim = 0.07;
    std::vector<V3> ring;
    for (int i = 0; i < 2 * points; ++i) {
        double a = kPi / 2 + i * kPi / points;
        double r = i % 2 ? inner : outer;
        ring.push_back({r * std::cos(a), r * std::sin(a), 0});
    }
    auto uvOf = [](V3 p) { return std::pair<double, double>{0.5 + 0.5 * p.x, 0.5 + 0.5 * p.y}; };
    auto face = [&](V3 a, V3 b, V3 c) {
        V3 n = normalize(cross(b - a, c - a));
        int base = int(m.vertices.size());
        for (V3 p : {a, b, c}) {
            auto [u, v] = uvOf(p);
            m.vertices.push_back({p, n, u, v});
        }
        m.triangles.push_back({base, base + 1, base + 2});
    };
    for (int i = 0; i < 2 * points; ++i) {
        V3 a = ring[size_t(i)], b = ring[size_t((i + 1) % (2 * points))];
        V3 af = a + V3{0, 0, rim}, bf = b + V3{0, 0, rim}, ab = a - V3{0, 0, rim}, bb = b - V3{0, 0, rim};
        face({0, 0, apex}, af, bf);    // front, towards +z
        face({0, 0, -apex}, bb, ab);   // back
        face(af, ab, bb);              // rim
        face(af, bb, bf);
    }
    // The faces above were listed counter-clockwise seen from outside; make sure of it.
    for (auto& t : m.triangles) {
        V3 a = m.vertices[size_t(t[0])].p, b = m.vertices[size_t(t[1])].p, c = m.vertices[size_t(t[2])].p;
        V3 centroid = (a + b + c) * (1.0 / 3);
        if (dot(cross(b - a, c - a), centroid) < 0) {
            std::swap(t[1], t[2]);
            V3 n = normalize(cross(m.vertices[size_t(t[1])].p - a, m.vertices[size_t(t[2])].p - a));
            for (int k : t) m.vertices[size_t(k)].n = n;
        }
    }
    return m;
}

void writeObj(const std::string& path, const std::string& name, const Model& m) {
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) throw std::runtime_error("cannot write " + path);
    std::fprintf(f, "# %s: generated by meshgen\no %s\n", name.c_str(), name.c_str());
    for (const Vertex& v : m.vertices) std::fprintf(f, "v %.6f %.6f %.6f\n", v.p.x, v.p.y, v.p.z);
    for (const Vertex& v : m.vertices) std::fprintf(f, "vt %.6f %.6f\n", v.u, v.v);
    for (const Vertex& v : m.vertices) {
        V3 n = normalize(v.n);
        std::fprintf(f, "vn %.6f %.6f %.6f\n", n.x, n.y, n.z);
    }
    for (auto t : m.triangles)
        std::fprintf(f, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", t[0] + 1, t[0] + 1, t[0] + 1, t[1] + 1, t[1] + 1, t[1] + 1,
                     t[2] + 1, t[2] + 1, t[2] + 1);
    std::fclose(f);
    std::printf("meshgen: %s (%zu vertices, %zu triangles)\n", path.c_str(), m.vertices.size(), m.triangles.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: meshgen OUT_DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    try {
        writeObj(dir + "/h.SCENEauge2_3.obj", "auge", eyes());
        writeObj(dir + "/gris.SCENEgrismesh_1.obj", "grismesh", head());
        writeObj(dir + "/gris.SCENEkjeft_0.obj", "kjeft", jaw());
        writeObj(dir + "/gris.SCENEnasabor_7.obj", "nasabor", nostrils());
        writeObj(dir + "/gris.SCENEring_2.obj", "ring", ring());
        writeObj(dir + "/gris.SCENEtann_8.obj", "tann", teeth());
        writeObj(dir + "/shape2.SCENEStar01.obj", "Star01", star());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "meshgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
