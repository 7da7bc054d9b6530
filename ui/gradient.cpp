#include "ui/gradient.h"

#include <cmath>

#include "ui/gdi.h"

namespace quill {

std::vector<COLORREF> GradientStops(std::initializer_list<uint32_t> colours) {
    std::vector<COLORREF> stops;
    for (uint32_t c : colours)
        if (c != 0xFF000000) stops.push_back(static_cast<COLORREF>(c & 0x00FFFFFF));
    return stops;
}

COLORREF GradientAt(const std::vector<COLORREF>& stops, double t) {
    if (stops.empty()) return 0;
    if (stops.size() == 1 || t <= 0) return stops.front();
    if (t >= 1) return stops.back();
    const double pos = t * static_cast<double>(stops.size() - 1);
    const size_t i = static_cast<size_t>(pos);
    const double f = pos - static_cast<double>(i);
    const COLORREF a = stops[i], b = stops[i + 1];
    auto mix = [f](int x, int y) { return static_cast<BYTE>(std::lround(x + (y - x) * f)); };
    return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

void DrawGradientFrame(HDC dc, const RECT& r, int width, const std::vector<COLORREF>& stops) {
    RECT ring = r;
    for (int i = 0; i < width && ring.right > ring.left && ring.bottom > ring.top; ++i) {
        const double t = width > 1 ? static_cast<double>(i) / (width - 1) : 0.0;
        Brush brush(CreateSolidBrush(GradientAt(stops, t)));
        FrameRect(dc, &ring, brush.get());
        InflateRect(&ring, -1, -1);
    }
}

void FillGradient(HDC dc, const RECT& r, int kind, const std::vector<COLORREF>& stops) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return;
    void* bits = nullptr;
    Bitmap dib(CreateDib32(w, h, &bits));
    MemoryDC mem(dc);
    if (!dib || !mem) return;
    auto* px = static_cast<uint32_t*>(bits);
    const double wx = w > 1 ? w - 1 : 1, hy = h > 1 ? h - 1 : 1;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double u = x / wx, v = y / hy;
            double t;
            switch (kind) {
            case 2: t = v; break;
            case 3: t = 1 - u; break;
            case 4: t = 1 - v; break;
            case 5: t = (u + v) / 2; break;
            case 6: t = (1 - u + v) / 2; break;
            case 7: t = std::fabs(2 * u - 1); break;
            case 8: t = std::fabs(2 * v - 1); break;
            default: t = u; break;
            }
            const COLORREF c = GradientAt(stops, t);
            px[static_cast<size_t>(y) * w + x] = (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
        }
    }
    Selection sel(mem.get(), dib.get());
    BitBlt(dc, r.left, r.top, w, h, mem.get(), 0, 0, SRCCOPY);
}

}  // namespace quill
