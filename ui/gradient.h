// Colour ramps of the label's gradient border and gradient backgrounds.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace quill {

// The colours that take part in a gradient: those not set to the default marker 0xFF000000.
std::vector<COLORREF> GradientStops(std::initializer_list<uint32_t> colours);

// The colour at t (0..1) along evenly spaced stops.
COLORREF GradientAt(const std::vector<COLORREF>& stops, double t);

// A frame `width` pixels wide inside r whose rings run from the first stop (outside) to
// the last (inside).
void DrawGradientFrame(HDC dc, const RECT& r, int width, const std::vector<COLORREF>& stops);

// Fills r with a gradient of kind 1..8: 1 left to right, 2 top to bottom, 3 right to left,
// 4 bottom to top, 5 top left to bottom right, 6 top right to bottom left, 7 from the
// vertical centre line outwards, 8 from the horizontal centre line outwards.
void FillGradient(HDC dc, const RECT& r, int kind, const std::vector<COLORREF>& stops);

}  // namespace quill
