// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The pictures of a calibration on the graph's canvas, side by side: the Scatchard plot (bound per
// chelator against bound/free, every row with chelator read through the fitted electrode and
// contamination, with the fitted line and the classic linear estimate) and the residuals against the
// fitted free level. Saved as SVG (SvgCanvas) or PNG (through the image canvas and EncodePng).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Calibration.h"
#include "core/Canvas.h"

namespace dedodiz {

void DrawCalibration(const Calibration& fit, Canvas& canvas);

// A canvas that keeps what is drawn as SVG elements on a kGraphWidth x kGraphHeight page.
class SvgCanvas : public Canvas {
  public:
    void Clear() override;
    void SetPenColor(Rgb color) override { pen_ = color; }
    void SetPixel(int x, int y, Rgb color) override;
    void Line(int x1, int y1, int x2, int y2) override;
    void TextOut(int x, int y, std::string_view text) override;
    [[nodiscard]] std::string Document() const;

  private:
    std::string body_;
    Rgb pen_ = kBlack;
};

// A PNG file of the image (8-bit RGB, its data in stored deflate blocks: exact, and read everywhere).
std::vector<std::uint8_t> EncodePng(const ImageView& image);

}  // namespace dedodiz
