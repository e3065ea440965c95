// SPDX-License-Identifier: BSD-3-Clause
#include "core/CalibrationGraph.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "core/Deflate.h"
#include "engine/Format.h"

namespace dedodiz {

namespace {

constexpr Rgb kPointColor{0, 0, 200};
constexpr Rgb kFitColor{200, 0, 0};
constexpr Rgb kLinearColor{0, 140, 0};
constexpr Rgb kGridColor{170, 170, 170};
constexpr int kTextHeight = 14;
constexpr int kCharWidth = 7;

struct Box {
    int left, top, width, height;
};

// A linear axis pair over the points' range with a little room at the ends.
struct Axes {
    Box plot{};
    double x0 = 0, x1 = 1, y0 = 0, y1 = 1;
    [[nodiscard]] int X(double x) const {
        return plot.left + static_cast<int>(std::lround((x - x0) / (x1 - x0) * (plot.width - 1)));
    }
    [[nodiscard]] int Y(double y) const {
        return plot.top + plot.height - 1 -
               static_cast<int>(std::lround((y - y0) / (y1 - y0) * (plot.height - 1)));
    }
};

Axes Frame(Canvas& canvas, const Box& box, const std::vector<std::pair<double, double>>& xy, bool yFromZero,
           const std::string& title, const std::string& xName) {
    Axes a;
    a.plot = {box.left + 8, box.top + kTextHeight + 6, box.width - 16, box.height - 3 * kTextHeight - 14};
    if (!xy.empty()) {
        a.x0 = a.x1 = xy.front().first;
        a.y0 = a.y1 = xy.front().second;
    }
    for (const auto& [x, y] : xy) {
        a.x0 = std::min(a.x0, x);
        a.x1 = std::max(a.x1, x);
        a.y0 = std::min(a.y0, y);
        a.y1 = std::max(a.y1, y);
    }
    if (yFromZero) a.y0 = std::min(a.y0, 0.0);
    const double dx = a.x1 > a.x0 ? (a.x1 - a.x0) * 0.08 : 1;
    const double dy = a.y1 > a.y0 ? (a.y1 - a.y0) * 0.08 : 1;
    a.x0 -= dx;
    a.x1 += dx;
    a.y0 -= dy;
    a.y1 += dy;
    canvas.TextOut(box.left + 4, box.top + 2, title);
    canvas.SetPenColor(kBlack);
    const int bottom = a.plot.top + a.plot.height - 1;
    const int right = a.plot.left + a.plot.width - 1;
    canvas.Line(a.plot.left, a.plot.top, a.plot.left, bottom);
    canvas.Line(a.plot.left, bottom, right, bottom);
    canvas.Line(right, a.plot.top, right, bottom);
    canvas.Line(a.plot.left, a.plot.top, right, a.plot.top);
    const std::string hi = FormatSciTrimmed(a.x1);
    canvas.TextOut(a.plot.left, bottom + 3, FormatSciTrimmed(a.x0));
    canvas.TextOut(right - kCharWidth * static_cast<int>(hi.size()), bottom + 3, hi);
    canvas.TextOut(a.plot.left + a.plot.width / 2 - kCharWidth * static_cast<int>(xName.size()) / 2,
                   bottom + 3 + kTextHeight, xName);
    canvas.TextOut(a.plot.left + 3, a.plot.top + 2, FormatSciTrimmed(a.y1));
    canvas.TextOut(a.plot.left + 3, bottom - kTextHeight - 1, FormatSciTrimmed(a.y0));
    return a;
}

void Cross(Canvas& canvas, int x, int y) {
    canvas.Line(x - 3, y - 3, x + 3, y + 3);
    canvas.Line(x - 3, y + 3, x + 3, y - 3);
}

// The free level a reading stands for through the fitted electrode (the reading itself without one).
double ReadFree(const Calibration& fit, const CalibrationPoint& p) {
    if (fit.reading == TitrationReading::FreeLevel) return p.reading;
    return std::pow(10.0, (p.reading - fit.e0.value) / fit.slope.value) - fit.detection.value;
}

void Scatchard(const Calibration& fit, Canvas& canvas, const Box& box) {
    std::vector<std::pair<double, double>> xy;
    for (const CalibrationPoint& p : fit.points) {
        const double free = ReadFree(fit, p);
        if (p.standard || !(free > 0)) continue;
        const double bound = (p.metalTotal + fit.contamination.value - free) / p.chelatorTotal;
        xy.emplace_back(bound, bound / free);
    }
    std::vector<std::pair<double, double>> range = xy;
    range.emplace_back(fit.purity.value, 0.0);
    const Axes a =
        Frame(canvas, box, range, true, "Scatchard: bound/free [1/M] against bound", "bound per chelator");
    // The fitted line B/F = (purity - B) / Kd, and the classic estimate's.
    const auto line = [&](double purity, double kd, Rgb color) {
        canvas.SetPenColor(color);
        canvas.Line(a.X(a.x0), a.Y((purity - a.x0) / kd), a.X(a.x1), a.Y((purity - a.x1) / kd));
    };
    line(fit.purity.value, fit.kd.value, kFitColor);
    if (fit.scatchard) line(fit.scatchardPurity, fit.scatchardKd, kLinearColor);
    canvas.SetPenColor(kPointColor);
    for (const auto& [x, y] : xy) Cross(canvas, a.X(x), a.Y(y));
}

void Residuals(const Calibration& fit, Canvas& canvas, const Box& box) {
    std::vector<std::pair<double, double>> xy;
    for (const CalibrationPoint& p : fit.points)
        if (p.free > 0) xy.emplace_back(std::log10(p.free), p.residual);
    std::vector<std::pair<double, double>> range = xy;
    double most = 0;
    for (const auto& [x, y] : xy) most = std::max(most, std::fabs(y));
    if (!xy.empty()) {
        range.emplace_back(xy.front().first, most);
        range.emplace_back(xy.front().first, -most);
    }
    const bool mV = fit.reading == TitrationReading::Millivolts;
    const Axes a =
        Frame(canvas, box, range, false, mV ? "Residuals [mV]" : "Residuals [%]", "log10 free [M]");
    canvas.SetPenColor(kGridColor);
    canvas.Line(a.plot.left, a.Y(0), a.plot.left + a.plot.width - 1, a.Y(0));
    canvas.SetPenColor(kPointColor);
    for (const auto& [x, y] : xy) {
        canvas.Line(a.X(x), a.Y(0), a.X(x), a.Y(y));
        Cross(canvas, a.X(x), a.Y(y));
    }
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

std::uint32_t Crc(const std::uint8_t* data, std::size_t n, std::uint32_t crc = 0xFFFFFFFFU) {
    for (std::size_t k = 0; k < n; ++k) {
        crc ^= data[k];
        for (int b = 0; b < 8; ++b) crc = (crc >> 1U) ^ (0xEDB88320U & (0U - (crc & 1U)));
    }
    return crc;
}

void Chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
    Put32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    Put32(out, Crc(out.data() + start, out.size() - start) ^ 0xFFFFFFFFU);
}

std::string Escaped(std::string_view text) {
    std::string out;
    for (const char ch : text) {
        switch (ch) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += ch;
        }
    }
    return out;
}

std::string Color(Rgb c) {
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "#%02x%02x%02x", c.r, c.g, c.b);
    return text.data();
}

}  // namespace

void DrawCalibration(const Calibration& fit, Canvas& canvas) {
    canvas.Clear();
    const int half = kGraphWidth / 2;
    const int height = kGraphHeight - kTextHeight - 4;
    Scatchard(fit, canvas, {0, 0, half, height});
    Residuals(fit, canvas, {half, 0, kGraphWidth - half, height});
    canvas.TextOut(
        4, kGraphHeight - kTextHeight - 2,
        "blue: rows   red: the fit" + std::string(fit.scatchard ? "   green: the linear estimate" : ""));
}

void SvgCanvas::Clear() {
    body_.clear();
    pen_ = kBlack;
}

void SvgCanvas::SetPixel(int x, int y, Rgb color) {
    body_ += "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) +
             "\" width=\"1\" height=\"1\" fill=\"" + Color(color) + "\"/>\n";
}

void SvgCanvas::Line(int x1, int y1, int x2, int y2) {
    body_ += "<line x1=\"" + std::to_string(x1) + ".5\" y1=\"" + std::to_string(y1) + ".5\" x2=\"" +
             std::to_string(x2) + ".5\" y2=\"" + std::to_string(y2) + ".5\" stroke=\"" + Color(pen_) +
             "\"/>\n";
}

void SvgCanvas::TextOut(int x, int y, std::string_view text) {
    body_ += "<text x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y + 11) + "\">" + Escaped(text) +
             "</text>\n";
}

std::string SvgCanvas::Document() const {
    const std::string w = std::to_string(kGraphWidth), h = std::to_string(kGraphHeight);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
           w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + " " + h +
           "\" font-family=\"monospace\" font-size=\"12\" stroke-width=\"1\">\n<rect width=\"100%\" "
           "height=\"100%\" fill=\"#ffffff\"/>\n" +
           body_ + "</svg>\n";
}

std::vector<std::uint8_t> EncodePng(const ImageView& image) {
    std::vector<std::uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    Put32(header, static_cast<std::uint32_t>(image.width));
    Put32(header, static_cast<std::uint32_t>(image.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, filter 0, no interlace
    Chunk(out, "IHDR", header);
    // Each row after its filter byte: "up" (2) where it repeats the row above, so that it becomes
    // zeros, else "sub" (1), so that a run of one colour becomes zeros after its first pixel.
    const auto rgb = [&](int x, int y, int k) {
        return static_cast<std::uint8_t>(image.At(x, y) >> static_cast<unsigned>(16 - 8 * k));
    };
    const auto sameAsAbove = [&](int y) {
        if (y == 0) return false;
        for (int x = 0; x < image.width; ++x)
            if (image.At(x, y) != image.At(x, y - 1)) return false;
        return true;
    };
    std::vector<std::uint8_t> raw;
    raw.reserve(static_cast<std::size_t>(image.height) * (1 + 3 * static_cast<std::size_t>(image.width)));
    for (int y = 0; y < image.height; ++y) {
        const bool up = sameAsAbove(y);
        raw.push_back(up ? 2 : 1);
        for (int x = 0; x < image.width; ++x)
            for (int k = 0; k < 3; ++k)
                raw.push_back(up ? 0
                                 : static_cast<std::uint8_t>(rgb(x, y, k) - (x > 0 ? rgb(x - 1, y, k) : 0)));
    }
    const std::vector<std::uint8_t> z = ZlibOfRuns(raw);
    Chunk(out, "IDAT", z);
    Chunk(out, "IEND", {});
    return out;
}

}  // namespace dedodiz
