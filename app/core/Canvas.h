// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The drawing surface of the result graph: a 633 x 433 pixel bitmap, origin at the top left, x to
// the right, y downwards. The graph code draws only through this interface; the desktop program and
// the command-line tool draw on a Qt image, the tests on a recording canvas.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace dedodiz {

inline constexpr int kGraphWidth = 633;
inline constexpr int kGraphHeight = 433;

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};

class Canvas {
  public:
    virtual ~Canvas() = default;

    // A new picture: every pixel white, the pen black.
    virtual void Clear() = 0;
    // Colour of the lines drawn from now on; texts stay black.
    virtual void SetPenColor(Rgb color) = 0;
    // One pixel; positions outside the bitmap are ignored.
    virtual void SetPixel(int x, int y, Rgb color) = 0;
    // A one-pixel line in the pen colour, both end points included. The ends may lie far outside the
    // bitmap (anywhere in the signed 16-bit range); only the visible part is drawn.
    virtual void Line(int x1, int y1, int x2, int y2) = 0;
    // Black text on an opaque white background, (x, y) being the top left corner of the text.
    virtual void TextOut(int x, int y, std::string_view text) = 0;
};

// The pixels of an image, top row first, each as 0xAARRGGBB (the alpha byte is ignored);
// stride is the distance between rows in pixels.
struct ImageView {
    int width = 0;
    int height = 0;
    const std::uint32_t* pixels = nullptr;
    int stride = 0;

    [[nodiscard]] std::uint32_t At(int x, int y) const {
        return pixels[static_cast<std::ptrdiff_t>(y) * stride + x];
    }
};

// A canvas that keeps its pixels in memory, so that the picture can be saved.
class ImageCanvas : public Canvas {
  public:
    [[nodiscard]] virtual ImageView Pixels() const = 0;
};

}  // namespace dedodiz
