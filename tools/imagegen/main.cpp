// imagegen: paints the demo's pictures (background surface, end screen, overlays, the eyes'
// texture, the loading picture and the setup dialog's bitmap) from procedural noise, gradients
// and a bitmap font, all in one palette, and writes them with stb_image_write.
//
//   imagegen DATA_DIR DIALOG_BITMAP.bmp
#include "tools/imagegen/font.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace imagegen {
namespace {

constexpr float kPi = 3.14159265f;

struct Color {
    float r = 0, g = 0, b = 0, a = 1;
};
Color operator*(Color c, float k) { return {c.r * k, c.g * k, c.b * k, c.a * k}; }
Color operator+(Color a, Color b) { return {a.r + b.r, a.g + b.g, a.b + b.b, a.a + b.a}; }
Color mix(Color a, Color b, float t) { return a * (1 - t) + b * t; }
Color rgb(uint32_t hex, float a = 1) {
    return {float((hex >> 16) & 255) / 255.f, float((hex >> 8) & 255) / 255.f, float(hex & 255) / 255.f, a};
}

float clamp01(float x) { return std::clamp(x, 0.0f, 1.0f); }
float smoothstep(float a, float b, float x) {
    float t = clamp01((x - a) / (b - a));
    return t * t * (3 - 2 * t);
}
float fract(float x) { return x - std::floor(x); }

// The demo's palette: night blue, violet, rose, amber, bone.
const Color kNight = rgb(0x0a0d24), kViolet = rgb(0x35205a), kRose = rgb(0xc8457d), kAmber = rgb(0xf2a54a),
            kBone = rgb(0xf6ead6), kTeal = rgb(0x1d5b70);

Color ramp(float t) {
    static const Color stops[] = {kNight, kViolet, kRose, kAmber, kBone};
    t = clamp01(t) * 4.0f;
    int i = std::min(3, int(t));
    return mix(stops[i], stops[i + 1], smoothstep(0, 1, t - float(i)));
}

struct Image {
    int w, h;
    std::vector<Color> px;
    Image(int w, int h, Color fill = {0, 0, 0, 1}) : w(w), h(h), px(size_t(w) * size_t(h), fill) {}
    Color& at(int x, int y) { return px[size_t(y) * size_t(w) + size_t(x)]; }
    template <class F>
    void each(F f) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) at(x, y) = f(x, y, at(x, y));
    }
    std::vector<uint8_t> bytes(int comp) const {
        std::vector<uint8_t> out;
        out.reserve(px.size() * size_t(comp));
        for (const Color& c : px) {
            float v[4] = {c.r, c.g, c.b, c.a};
            for (int k = 0; k < comp; ++k) out.push_back(uint8_t(std::lround(clamp01(v[k]) * 255.0f)));
        }
        return out;
    }
};

void save(const Image& img, const std::string& path) {
    std::string ext = path.substr(path.rfind('.') + 1);
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    int ok = 0;
    if (ext == "png") {
        // Opaque pictures go without an alpha channel.
        bool alpha = std::any_of(img.px.begin(), img.px.end(), [](const Color& c) { return c.a < 1.0f; });
        int comp = alpha ? 4 : 3;
        std::vector<uint8_t> b = img.bytes(comp);
        ok = stbi_write_png(path.c_str(), img.w, img.h, comp, b.data(), img.w * comp);
    } else if (ext == "jpg") {
        std::vector<uint8_t> b = img.bytes(3);
        ok = stbi_write_jpg(path.c_str(), img.w, img.h, 3, b.data(), 92);
    } else if (ext == "bmp") {
        std::vector<uint8_t> b = img.bytes(3);  // three components: a 24-bit bitmap
        ok = stbi_write_bmp(path.c_str(), img.w, img.h, 3, b.data());
    }
    if (!ok) throw std::runtime_error("cannot write " + path);
    std::printf("imagegen: %s (%d x %d)\n", path.c_str(), img.w, img.h);
}

// ---- noise --------------------------------------------------------------------------------

uint32_t hash(int x, int y, uint32_t seed) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}
float hashUnit(int x, int y, uint32_t seed) { return float(hash(x, y, seed) & 0xffffff) / 16777215.0f; }

// Value noise on a lattice that repeats every `period` cells, so pictures can tile.
float noise(float x, float y, int period, uint32_t seed) {
    int xi = int(std::floor(x)), yi = int(std::floor(y));
    float fx = x - float(xi), fy = y - float(yi);
    auto wrap = [period](int v) { return ((v % period) + period) % period; };
    float a = hashUnit(wrap(xi), wrap(yi), seed), b = hashUnit(wrap(xi + 1), wrap(yi), seed);
    float c = hashUnit(wrap(xi), wrap(yi + 1), seed), d = hashUnit(wrap(xi + 1), wrap(yi + 1), seed);
    float ux = fx * fx * fx * (fx * (fx * 6 - 15) + 10), uy = fy * fy * fy * (fy * (fy * 6 - 15) + 10);
    return (a + (b - a) * ux) * (1 - uy) + (c + (d - c) * ux) * uy;
}

// Fractal sum of octaves; u, v in [0, 1) tile when period is a whole number of cells.
float fbm(float u, float v, int period, int octaves, uint32_t seed) {
    float sum = 0, amp = 0.5f, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        int p = period << o;
        sum += amp * noise(u * float(p), v * float(p), p, seed + uint32_t(o) * 31u);
        norm += amp;
        amp *= 0.5f;
    }
    return sum / norm;
}

// ---- text ---------------------------------------------------------------------------------

// Coverage mask of a text line in the 5 x 7 font, `scale` pixels per font pixel, with rounded
// font pixels, anti-aliased by 4 x 4 supersampling.
struct Mask {
    int w, h;
    std::vector<float> v;
    Mask(int w, int h) : w(w), h(h), v(size_t(w) * size_t(h), 0.0f) {}
    float& at(int x, int y) { return v[size_t(y) * size_t(w) + size_t(x)]; }
    float get(int x, int y) const {
        return (x < 0 || y < 0 || x >= w || y >= h) ? 0.0f : v[size_t(y) * size_t(w) + size_t(x)];
    }
};

int textWidth(const std::string& s, float scale, float spacing) {
    return int(std::ceil(float(s.size()) * (5 + spacing) * scale - spacing * scale));
}

void drawText(Mask& m, const std::string& s, float x0, float y0, float scale, float spacing = 1.0f) {
    for (size_t i = 0; i < s.size(); ++i) {
        const Glyph* g = findGlyph(s[i]);
        if (!g) continue;
        float gx = x0 + float(i) * (5 + spacing) * scale;
        for (int y = int(y0) - 1; y < int(y0 + 7 * scale) + 2; ++y)
            for (int x = int(gx) - 1; x < int(gx + 5 * scale) + 2; ++x) {
                if (x < 0 || y < 0 || x >= m.w || y >= m.h) continue;
                int hits = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx) {
                        float fx = (float(x) + (float(sx) + 0.5f) / 4 - gx) / scale;
                        float fy = (float(y) + (float(sy) + 0.5f) / 4 - y0) / scale;
                        int cx = int(std::floor(fx)), cy = int(std::floor(fy));
                        if (!glyphPixel(*g, cx, cy)) continue;
                        // Round each font pixel slightly; neighbours fill the gaps.
                        float dx = fract(fx) - 0.5f, dy = fract(fy) - 0.5f;
                        bool inCore = dx * dx + dy * dy < 0.5f * 0.5f * 1.4f;
                        bool joinX = (dx > 0 ? glyphPixel(*g, cx + 1, cy) : glyphPixel(*g, cx - 1, cy)) && std::fabs(dy) < 0.42f;
                        bool joinY = (dy > 0 ? glyphPixel(*g, cx, cy + 1) : glyphPixel(*g, cx, cy - 1)) && std::fabs(dx) < 0.42f;
                        if (inCore || joinX || joinY) ++hits;
                    }
                m.at(x, y) = std::max(m.at(x, y), float(hits) / 16.0f);
            }
    }
}

// Box blur, three passes: a soft glow around a mask.
Mask blur(const Mask& src, int radius) {
    Mask a = src;
    for (int pass = 0; pass < 3; ++pass) {
        Mask b(a.w, a.h);
        for (int y = 0; y < a.h; ++y) {
            float sum = 0;
            for (int x = -radius; x <= radius; ++x) sum += a.get(x, y);
            for (int x = 0; x < a.w; ++x) {
                b.at(x, y) = sum / float(2 * radius + 1);
                sum += a.get(x + radius + 1, y) - a.get(x - radius, y);
            }
        }
        Mask c(a.w, a.h);
        for (int x = 0; x < a.w; ++x) {
            float sum = 0;
            for (int y = -radius; y <= radius; ++y) sum += b.get(x, y);
            for (int y = 0; y < a.h; ++y) {
                c.at(x, y) = sum / float(2 * radius + 1);
                sum += b.get(x, y + radius + 1) - b.get(x, y - radius);
            }
        }
        a = c;
    }
    return a;
}

// Paints a text mask with a glow and a vertical gradient fill.
void paintText(Image& img, const Mask& m, Color top, Color bottom, Color glow, float glowStrength, int glowRadius) {
    Mask g = blur(m, glowRadius);
    int y0 = m.h, y1 = 0;
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
            if (m.get(x, y) > 0) y0 = std::min(y0, y), y1 = std::max(y1, y);
    img.each([&](int x, int y, Color c) {
        float gv = std::min(1.0f, g.get(x, y) * glowStrength);
        c = mix(c, glow, gv * glow.a);
        float t = y1 > y0 ? clamp01(float(y - y0) / float(y1 - y0)) : 0;
        Color fill = mix(top, bottom, t);
        c = mix(c, fill, m.get(x, y));
        c.a = 1;
        return c;
    });
}

// ---- pictures -----------------------------------------------------------------------------

// Part one's background: a tiling, domain-warped nebula in the palette with fine veins.
Image surface() {
    const int n = 1024;
    Image img(n, n);
    img.each([&](int x, int y, Color) {
        float u = float(x) / n, v = float(y) / n;
        float wx = fbm(u, v, 4, 5, 11), wy = fbm(u, v, 4, 5, 23);
        float f = fbm(u + 0.35f * wx, v + 0.35f * wy, 4, 6, 7);
        float veins = 1.0f - std::fabs(fbm(u + 0.2f * wy, v + 0.2f * wx, 8, 4, 41) * 2 - 1);
        veins = std::pow(veins, 12.0f);
        float t = smoothstep(0.25f, 0.8f, f);
        Color c = ramp(t * 0.72f) * 0.9f;
        c = mix(c, kTeal, 0.25f * smoothstep(0.55f, 0.2f, f));
        c = c + kAmber * (veins * 0.35f);
        float grain = hashUnit(x, y, 5) - 0.5f;
        return c + Color{grain * 0.03f, grain * 0.03f, grain * 0.03f, 0};
    });
    return img;
}

// Dark, horizon-lit backdrop shared by the full-screen pictures.
void backdrop(Image& img, uint32_t seed) {
    img.each([&](int x, int y, Color) {
        float u = float(x) / float(img.w), v = float(y) / float(img.h);
        float sky = smoothstep(0.0f, 0.75f, v);
        Color c = mix(kNight, kViolet, sky * 0.8f);
        c = mix(c, kRose, std::pow(smoothstep(0.45f, 0.78f, v), 2.0f) * 0.55f);
        float clouds = fbm(u * 1.78f, v, 3, 6, seed);
        c = c + kRose * (smoothstep(0.5f, 0.85f, clouds) * 0.12f);
        float d = std::hypot(u - 0.5f, (v - 0.5f) * 0.5625f);
        c = c * (1.0f - 0.55f * smoothstep(0.25f, 0.75f, d));
        float stars = hashUnit(x, y, seed + 9);
        if (stars > 0.9985f && v < 0.6f) c = c + kBone * ((stars - 0.9985f) / 0.0015f * (1 - v));
        return c;
    });
}

// A striped setting sun with a perspective grid under it: the demo's emblem.
void sunAndGrid(Image& img, float cx, float horizon, float radius) {
    img.each([&](int x, int y, Color c) {
        float fx = float(x), fy = float(y);
        float d = std::hypot(fx - cx, fy - horizon);
        if (fy < horizon) {
            float t = (fy - (horizon - radius)) / radius;  // 0 at the top of the sun, 1 at the horizon
            float stripe = t > 0.45f ? std::sin((t - 0.45f) * 60.0f) : 1.0f;
            float inside = smoothstep(radius + 1.5f, radius - 1.5f, d) * (stripe > -0.2f ? 1.0f : 0.0f);
            Color sun = mix(kAmber, kRose, clamp01(t));
            c = mix(c, sun, inside);
            c = c + kRose * (0.35f * std::exp(-std::max(0.0f, d - radius) / (radius * 0.35f)));
        } else {
            float depth = (fy - horizon) / (float(img.h) - horizon);
            float z = 1.0f / (depth + 0.02f);
            float gx = (fx - cx) * z / float(img.w) * 8.0f;
            float lineX = std::fabs(fract(gx) - 0.5f), lineZ = std::fabs(fract(z * 0.6f) - 0.5f);
            float width = 0.02f * z * 0.25f + 0.01f;
            float gridX = 1.0f - smoothstep(0.0f, width * 2.0f, 0.5f - lineX);
            float gridZ = 1.0f - smoothstep(0.0f, width * 2.0f, 0.5f - lineZ);
            float line = std::max(gridX, gridZ) * smoothstep(0.0f, 0.15f, depth);
            Color floor = mix(kNight, kViolet, 0.4f * (1 - depth));
            c = mix(floor, kRose, line * 0.85f);
            c = c + kRose * (0.25f * std::exp(-depth * 8.0f));
        }
        return c;
    });
}

Image endScreen() {
    Image img(1280, 720);
    backdrop(img, 101);
    sunAndGrid(img, 640, 470, 150);
    Mask title(img.w, img.h);
    const char* name = "ORLUNDE";
    float s = 16;
    drawText(title, name, (1280 - float(textWidth(name, s, 1.2f))) / 2, 130, s, 1.2f);
    paintText(img, title, kBone, kAmber, kRose, 2.2f, 10);
    Mask small(img.w, img.h);
    const char* lines[] = {"MUSIC  TARNVIK", "CODE  GRAPHICS  SOUND  BY THE ORLUNDE CREW", "THANKS FOR WATCHING"};
    float y = 560;
    for (const char* l : lines) {
        float sc = 3.0f;
        drawText(small, l, (1280 - float(textWidth(l, sc, 1.5f))) / 2, y, sc, 1.5f);
        y += 40;
    }
    paintText(img, small, kBone, kBone, kRose, 1.5f, 4);
    return img;
}

Image loadingScreen() {
    Image img(1280, 720);
    backdrop(img, 202);
    // Diagonal bands and a thin frame: the loading picture's own look behind the turning head.
    img.each([&](int x, int y, Color c) {
        float band = fract((float(x) + float(y) * 0.6f) / 180.0f);
        c = c + kViolet * (0.10f * smoothstep(0.5f, 0.52f, band) * smoothstep(1.0f, 0.98f, band));
        bool frame = (x == 40 || x == 1239 || y == 40 || y == 679) && x >= 40 && x <= 1239 && y >= 40 && y <= 679;
        if (frame) c = mix(c, kRose, 0.6f);
        return c;
    });
    Mask title(img.w, img.h);
    drawText(title, "ORLUNDE", 80, 80, 12, 1.2f);
    paintText(img, title, kBone, kRose, kRose, 2.0f, 8);
    Mask small(img.w, img.h);
    drawText(small, "LOADING", 80, 620, 4, 1.5f);
    drawText(small, "TARNVIK", 1280 - 80 - float(textWidth("TARNVIK", 4, 1.5f)), 620, 4, 1.5f);
    paintText(img, small, kAmber, kAmber, kRose, 1.2f, 4);
    // Progress dots after the word.
    img.each([&](int x, int y, Color c) {
        for (int i = 0; i < 8; ++i) {
            float cx = 80 + float(textWidth("LOADING", 4, 1.5f)) + 30 + float(i) * 22, cy = 634;
            float d = std::hypot(float(x) - cx, float(y) - cy);
            c = mix(c, mix(kAmber, kRose, float(i) / 7), smoothstep(6.5f, 5.0f, d) * (1.0f - float(i) * 0.1f));
        }
        return c;
    });
    return img;
}

// The eyes: azimuthal layout with the pupil at the centre and the back of the eyeball at the
// border, as the eye mesh maps it.
Image eyeTexture() {
    const int n = 512;
    Image img(n, n);
    img.each([&](int x, int y, Color) {
        float u = (float(x) + 0.5f) / n - 0.5f, v = (float(y) + 0.5f) / n - 0.5f;
        float r = std::hypot(u, v) * 2.0f;  // 0 at the pupil, 1 at the back
        float a = std::atan2(v, u);
        Color sclera = mix(rgb(0xf7efe6), rgb(0xe8b5a8), smoothstep(0.3f, 0.9f, r));
        // Veins creeping in from the back.
        float vein = std::fabs(std::sin(a * 9.0f + fbm(r * 3, a / (2 * kPi) + 0.5f, 4, 4, 3) * 8.0f));
        sclera = mix(sclera, rgb(0xb8323a), smoothstep(0.06f, 0.0f, vein) * smoothstep(0.35f, 0.8f, r) * 0.8f);
        const float iris = 0.36f, pupil = 0.14f;
        float fibres = fbm(a / (2 * kPi) + 0.5f, r * 0.2f, 64, 3, 17);
        Color irisColor = mix(rgb(0x6b3a12), rgb(0xe0a040), smoothstep(pupil, iris, r) * 0.7f + fibres * 0.4f);
        irisColor = mix(irisColor, rgb(0x2a1408), smoothstep(iris - 0.05f, iris, r));
        Color c = mix(irisColor, sclera, smoothstep(iris - 0.005f, iris + 0.01f, r));
        c = mix(rgb(0x050403), c, smoothstep(pupil - 0.01f, pupil + 0.01f, r));
        // A highlight off the pupil.
        float h = std::hypot(u + 0.06f, v + 0.07f);
        c = mix(c, rgb(0xffffff), smoothstep(0.04f, 0.02f, h) * 0.9f);
        return c;
    });
    return img;
}

// Overlays over part one, 16:9, with real alpha.
Image overlay(int kind) {
    // Grain is noise, which does not compress: it gets half the resolution (coarser grain).
    const int w = kind == 3 ? 512 : 1024, h = kind == 3 ? 288 : 576;
    Image img(w, h, {0, 0, 0, 0});
    auto edge = [&](int x, int y, float from, float to) {
        float u = (float(x) + 0.5f) / w - 0.5f, v = ((float(y) + 0.5f) / h - 0.5f) * 0.5625f;
        return smoothstep(from, to, std::hypot(u, v));
    };
    switch (kind) {
        case 0:  // dark edges
            img.each([&](int x, int y, Color) { return Color{0, 0, 0, 0.9f * edge(x, y, 0.28f, 0.62f)}; });
            break;
        case 1:  // viewfinder frame with corner brackets and ticks
            img.each([&](int x, int y, Color) {
                Color c{0, 0, 0, 0.6f * edge(x, y, 0.35f, 0.7f)};
                int m = 28, len = 70;
                bool h1 = (y == m || y == h - 1 - m) && (x < m + len || x > w - 1 - m - len) && x >= m && x <= w - 1 - m;
                bool v1 = (x == m || x == w - 1 - m) && (y < m + len || y > h - 1 - m - len) && y >= m && y <= h - 1 - m;
                bool tick = (y == h / 2 && (std::abs(x - w / 2) < 14) && std::abs(x - w / 2) > 4) ||
                            (x == w / 2 && (std::abs(y - h / 2) < 14) && std::abs(y - h / 2) > 4);
                bool ruler = (y >= h - m - 8 && y < h - m - 2) && x > w / 2 - 160 && x < w / 2 + 160 && (x - w / 2) % 16 == 0;
                if (h1 || v1 || tick || ruler) c = Color{kBone.r, kBone.g, kBone.b, 0.75f};
                return c;
            });
            break;
        case 2:  // scanlines
            img.each([&](int x, int y, Color) {
                float line = (y % 3 == 2) ? 0.42f : (y % 3 == 0 ? 0.12f : 0.0f);
                float a = std::max(line, 0.85f * edge(x, y, 0.3f, 0.65f));
                return Color{0, 0, 0.02f, a};
            });
            break;
        case 3:  // film grain and dust over dark edges
            img.each([&](int x, int y, Color) {
                float g = hashUnit(x, y, 77);
                int level = int(g * 8);  // few levels keep the file small
                float lum = level >= 4 ? 1.0f : 0.0f;
                float ga = float(std::abs(level * 2 - 7)) / 7.0f * 0.10f;
                float dust = fbm(float(x) / w * 1.78f, float(y) / h, 48, 2, 91);
                if (dust > 0.84f) lum = 0.05f, ga = 0.45f * smoothstep(0.84f, 0.88f, dust);
                float e = 0.85f * edge(x, y, 0.3f, 0.65f);
                float a = ga + e * (1 - ga);
                float c = a > 0 ? lum * ga / a : 0.0f;
                return Color{c, c * 0.97f, c * 0.9f, a};
            });
            break;
        case 4:  // warm light leak from two corners
            img.each([&](int x, int y, Color) {
                float u = float(x) / w, v = float(y) / h;
                float leakA = std::exp(-std::hypot(u * 1.4f, v * 1.1f) * 3.0f);
                float leakB = std::exp(-std::hypot((1 - u) * 1.2f, (1 - v) * 1.6f) * 3.5f);
                float flare = std::exp(-std::fabs(v - 0.12f - u * 0.25f) * 40.0f) * 0.25f * (1 - u);
                Color c = mix(kAmber, kRose, clamp01(u + v * 0.3f));
                float a = clamp01(leakA * 1.1f + leakB * 0.8f + flare);
                float dark = 0.7f * edge(x, y, 0.35f, 0.7f);
                c = mix(c, Color{0, 0, 0, 1}, dark / std::max(0.001f, a + dark));
                return Color{c.r, c.g, c.b, clamp01(a + dark)};
            });
            break;
        case 5:  // rounded picture tube
            img.each([&](int x, int y, Color) {
                float px = std::fabs(float(x) + 0.5f - w / 2.0f) - (w / 2.0f - 70), py = std::fabs(float(y) + 0.5f - h / 2.0f) - (h / 2.0f - 50);
                float d = std::hypot(std::max(px, 0.0f), std::max(py, 0.0f)) + std::min(std::max(px, py), 0.0f) - 36.0f;
                float outside = smoothstep(-2.0f, 2.0f, d);
                float inner = 0.55f * std::exp(std::min(0.0f, d) / 28.0f);
                Color c{0.01f, 0.01f, 0.02f, std::max(outside, inner)};
                // A faint bezel glint along the top-left curve.
                float glint = std::exp(-std::fabs(d - 6.0f) / 2.0f) * smoothstep(0.6f, 0.0f, float(x + y) / float(w + h));
                return mix(c, Color{kBone.r, kBone.g, kBone.b, 0.5f}, glint * 0.6f * (d > 0 ? 1.0f : 0.0f));
            });
            break;
        case 6:  // halftone dots growing toward the edges
            img.each([&](int x, int y, Color) {
                const float cell = 12.0f;
                float cx = (std::floor(float(x) / cell) + 0.5f) * cell, cy = (std::floor(float(y) / cell) + 0.5f) * cell;
                float e = edge(int(cx), int(cy), 0.2f, 0.6f);
                float radius = e * cell * 0.72f;
                float d = std::hypot(float(x) + 0.5f - cx, float(y) + 0.5f - cy);
                float dot = smoothstep(radius + 0.8f, radius - 0.8f, d);
                return Color{kNight.r, kNight.g, kNight.b, std::max(dot * 0.95f, 0.25f * e)};
            });
            break;
    }
    return img;
}

// The setup dialog's picture, 200 x 125; the dialog shows its middle.
Image dialogBitmap() {
    Image img(200, 125);
    backdrop(img, 303);
    sunAndGrid(img, 100, 82, 30);
    Mask title(img.w, img.h);
    drawText(title, "ORLUNDE", (200 - float(textWidth("ORLUNDE", 2, 1))) / 2, 14, 2, 1);
    paintText(img, title, kBone, kAmber, kRose, 1.5f, 2);
    return img;
}

}  // namespace
}  // namespace imagegen

int main(int argc, char** argv) {
    using namespace imagegen;
    if (argc != 3) {
        std::fprintf(stderr, "usage: imagegen DATA_DIR DIALOG_BITMAP.bmp\n");
        return 2;
    }
    std::string data = argv[1];
    try {
        save(surface(), data + "/backroundfx/surface.jpg");
        save(endScreen(), data + "/endscreen/endscreen.jpg");
        save(overlay(0), data + "/vignetting.png");
        for (int i = 1; i <= 6; ++i) save(overlay(i), data + "/vignetting_" + std::to_string(i) + ".png");
        save(eyeTexture(), data + "/gris/augetext.JPG");
        save(loadingScreen(), data + "/loadingscreen/load_2.png");
        save(dialogBitmap(), argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "imagegen: %s\n", e.what());
        return 1;
    }
    return 0;
}
