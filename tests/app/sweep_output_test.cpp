// SPDX-License-Identifier: BSD-3-Clause
// The two outputs of a sweep: the sweep table's exact layout, and the graph's pixels, lines and texts
// on a recording canvas, against the fixed layout of the 2D and 3D pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "Recorders.h"
#include "TestState.h"
#include "core/Graph.h"
#include "core/Sweep.h"
#include "core/SweepTable.h"

namespace dedodiz {
using TestState = test::Parts<BufferTool, SweepState>;
namespace {

struct RecordingCanvas : Canvas {
    struct Segment {
        int x1, y1, x2, y2;
        Rgb color;
        friend bool operator==(const Segment&, const Segment&) = default;
    };
    struct Text {
        int x, y;
        std::string text;
    };
    std::vector<Segment> lines;
    std::vector<Text> texts;
    std::vector<std::pair<int, int>> pixels;
    Rgb pen = kBlack;
    int clears = 0;

    void Clear() override {
        *this = RecordingCanvas();
        clears = 1;
    }
    void SetPenColor(Rgb color) override { pen = color; }
    void SetPixel(int x, int y, Rgb color) override {
        EXPECT_EQ(color, kBlack);
        pixels.push_back({x, y});
    }
    void Line(int x1, int y1, int x2, int y2) override { lines.push_back({x1, y1, x2, y2, pen}); }
    void TextOut(int x, int y, std::string_view text) override { texts.push_back({x, y, std::string(text)}); }

    // The text drawn at (x, y), or "<none>".
    [[nodiscard]] std::string At(int x, int y) const {
        for (const Text& t : texts)
            if (t.x == x && t.y == y) return t.text;
        return "<none>";
    }
    [[nodiscard]] int Count(std::string_view text) const {
        return static_cast<int>(
            std::count_if(texts.begin(), texts.end(), [&](const Text& t) { return t.text == text; }));
    }
    [[nodiscard]] std::vector<Segment> InColor(Rgb color) const {
        std::vector<Segment> found;
        for (const Segment& l : lines)
            if (l.color == color) found.push_back(l);
        return found;
    }
    [[nodiscard]] bool HasPixel(int x, int y) const {
        return std::find(pixels.begin(), pixels.end(), std::pair{x, y}) != pixels.end();
    }
};

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kLime{0, 255, 0};

// The snapshot of a sweep over EGTA and BAPTA with Ca2 and Mg2; the empty slots keep their markers.
std::unique_ptr<TestState> MakeSweptState(std::uint16_t mode) {
    auto s = std::make_unique<TestState>();
    NewState(*s);
    ResetSweepData(*s);
    s->SweepMode = static_cast<SweepKind>(mode);
    s->CalcType = static_cast<CalculationType>(mode % 3);
    s->StartTemperature = 20;
    s->StartPH = 7.2;
    s->StartIonic = 0.1;
    for (int k = 1; k <= kSlots; ++k) {
        s->StartChelName[k] = kEmptyChelator;
        s->StartMetalName[k] = kEmptyMetal;
    }
    s->StartChelName[1] = "EGTA";
    s->StartChelName[2] = "BAPTA";
    s->StartChelTotal[1] = 2e-3;
    s->StartChelTotal[2] = 1e-3;
    s->StartMetalName[1] = "Ca2";
    s->StartMetalName[2] = "Mg2";
    s->StartMetalTotal[1] = 1e-3;
    s->StartMetalTotal[2] = 5e-4;
    s->StartMetalFree[1] = 1e-7;
    s->StartMetalFree[2] = 2e-5;
    s->PeakComplexIonic = 0.123456;
    s->Converged2D.fill(true);
    for (auto& row : s->Converged3D) row.fill(true);
    return s;
}

// Type Free, temperature from 10 to 30: free Ca rising to 4.1e-6, free Mg flat at 2e-4.
std::unique_ptr<TestState> MakeFree2D() {
    auto s = MakeSweptState(1);
    s->XVariable = static_cast<PointTarget>(0);
    s->XStart = 10;
    s->XStep = 0.5;
    for (int i = 1; i <= kSweepPoints2D; ++i) {
        s->Sweep2D[1][i] = 1e-7 * i;
        s->Sweep2D[2][i] = 2e-4;
    }
    return s;
}

// Type Total, pH from 0 on X and free Mg on Z: total Ca growing with both indices.
std::unique_ptr<TestState> MakeTotal3D() {
    auto s = MakeSweptState(3);
    s->XVariable = static_cast<PointTarget>(1);
    s->ZVariable = static_cast<PointTarget>(4);
    s->XStart = 0;
    s->XStep = 0.8;
    s->ZStart = 1e-5;
    s->ZStep = 1e-5;
    for (int i = 1; i <= kSweepPoints3D; ++i)
        for (int j = 1; j <= kSweepPoints3D; ++j) s->Sweep3D[1][i][j] = 1e-4 * i * j;
    return s;
}

std::string Blanks(std::size_t n) {
    return std::string(n, ' ');
}

const std::string kValidityLine = "NOT VALID BELOW IONIC CONCENTRATION OF CHELATOR/METAL COMPLEX [ 0.123 N]";

TEST(SweepTable, Layout2D) {
    auto s = MakeSweptState(1);  // type Free, temperature from 10 to 30
    s->XVariable = static_cast<PointTarget>(0);
    s->XStart = 10;
    s->XStep = 0.5;
    for (int i = 1; i <= kSweepPoints2D; ++i) {
        s->Sweep2D[1][i] = 1e-7 * i;
        s->Sweep2D[2][i] = 2e-4;
    }
    s->Sweep2D[2][3] = 0;  // not positive: a blank column
    s->Sweep2D[1][4] = -1e-9;
    test::OutputRecorder out;
    out.lines = {"old report"};
    WriteSweepTable(*s, ReportPlacement::Replace, out);

    ASSERT_EQ(out.lines.size(), 55U);
    EXPECT_EQ(out.clears, 1);
    EXPECT_EQ(out.shows, 0);  // the graph window shows the output itself
    const std::string expectedHead[] = {
        "Output from the Graph Environmental Effects ",
        "      function of DedOdiz32 v2.50",
        "STARTING CONDITIONS",
        " 20.0 C   pH  7.20     0.100N",
        "CHELATOR TOTAL[M] and METAL TOTAL[M]",
        "EGTA" + Blanks(9) + "BAPTA" + Blanks(60),
        " 2.00E-03" + Blanks(4) + " 1.00E-03" + Blanks(56),
        "Ca2" + Blanks(10) + "Mg2" + Blanks(62),
        " 1.00E-03" + Blanks(4) + " 5.00E-04" + Blanks(56),
        " ",
        "TEMP.        FCa2       FMg2      ",
    };
    for (std::size_t n = 0; n < std::size(expectedHead); ++n) EXPECT_EQ(out.lines[n], expectedHead[n]) << n;
    EXPECT_EQ(out.lines[11], " 1.00E+01   1.00E-07   2.00E-04  " + Blanks(44));
    EXPECT_EQ(out.lines[13], " 1.10E+01   3.00E-07  " + Blanks(55));
    EXPECT_EQ(out.lines[14], " 1.15E+01  " + Blanks(11) + " 2.00E-04  " + Blanks(44));
    EXPECT_EQ(out.lines[51], " 3.00E+01   4.10E-06   2.00E-04  " + Blanks(44));
    EXPECT_EQ(out.lines[52], " ");
    EXPECT_EQ(out.lines[53], " ");
    EXPECT_EQ(out.lines[54], kValidityLine);
}

TEST(SweepTable, AllSixSeriesMakeA77CharacterLine) {
    auto s = MakeSweptState(0);
    for (int k = 1; k <= kSlots; ++k) {
        s->StartMetalName[k] = "Zn2";
        for (int i = 1; i <= kSweepPoints2D; ++i) s->Sweep2D[k][i] = 1e-5 * k;
    }
    s->XVariable = static_cast<PointTarget>(2);
    s->XStart = 0.0001;
    s->XStep = 0.025;
    test::OutputRecorder out;
    out.lines = {"previous run"};
    WriteSweepTable(*s, ReportPlacement::Append, out);
    EXPECT_EQ(out.clears, 0);
    EXPECT_EQ(out.lines[0], "previous run");
    EXPECT_EQ(out.lines[11],
              "[ion]        TZn2       TZn2       TZn2       TZn2       TZn2       TZn2      ");
    EXPECT_EQ(out.lines[12], " 1.00E-04   1.00E-05   2.00E-05   3.00E-05   4.00E-05   5.00E-05   6.00E-05  ");
    EXPECT_EQ(out.lines[12].size(), 77U);
    EXPECT_EQ(out.lines[13].substr(0, 9), " 2.51E-02");
    EXPECT_EQ(out.lines[52].substr(0, 9), " 1.00E+00");
}

TEST(SweepTable, Layout3D) {
    auto s = MakeSweptState(3);  // type Total: pH on X, free Mg on Z
    s->StartMetalFree[2] = 0;
    s->XVariable = static_cast<PointTarget>(1);
    s->ZVariable = static_cast<PointTarget>(4);
    s->XStart = 6;
    s->XStep = 0.2;
    s->ZStart = 0;
    s->ZStep = 1e-4;
    for (int i = 1; i <= kSweepPoints3D; ++i)
        for (int j = 1; j <= kSweepPoints3D; ++j) {
            s->Sweep3D[1][i][j] = 1e-4 * i;
            s->Sweep3D[3][i][j] = 1e-6 * j;  // a series after an empty one
        }
    test::OutputRecorder out;
    WriteSweepTable(*s, ReportPlacement::Replace, out);

    ASSERT_EQ(out.lines.size(), 11U + 11 * 12 + 3);
    EXPECT_EQ(out.lines[4], "CHELATOR TOTAL[M] and METAL FREE[M]");
    EXPECT_EQ(out.lines[8], " 1.00E-07" + Blanks(4) + " 0.00E+00" + Blanks(56));  // free metal, 0 printed too
    EXPECT_EQ(out.lines[10], " pH          TCa2       TMg2      ");
    EXPECT_EQ(out.lines[11], " FMg2    0.00E+00");
    EXPECT_EQ(out.lines[12], " 6.00E+00   1.00E-04 " + Blanks(11) + " 1.00E-06 " + Blanks(33));
    EXPECT_EQ(out.lines[22], " 8.00E+00   1.10E-03 " + Blanks(11) + " 1.00E-06 " + Blanks(33));
    EXPECT_EQ(out.lines[23], " FMg2    1.00E-04");
    EXPECT_EQ(out.lines[131], " FMg2    1.00E-03");
    EXPECT_EQ(out.lines[142], " 8.00E+00   1.10E-03 " + Blanks(11) + " 1.10E-05 " + Blanks(33));
    EXPECT_EQ(out.lines[145], kValidityLine);
}

TEST(SweepTable, ChelatorTypeListsMetalsFirst) {
    auto s = MakeSweptState(5);
    s->StartMetalFree[2] = 0;
    s->XVariable = static_cast<PointTarget>(9);  // total Ca
    s->ZVariable = static_cast<PointTarget>(0);
    test::OutputRecorder out;
    WriteSweepTable(*s, ReportPlacement::Replace, out);
    EXPECT_EQ(out.lines[4], "METAL FREE[M] and METAL TOTAL[M]");
    EXPECT_EQ(out.lines[5], "Ca2" + Blanks(10) + "Mg2" + Blanks(62));
    EXPECT_EQ(out.lines[6], " 1.00E-07" + Blanks(69));  // free Mg is 0: left blank
    EXPECT_EQ(out.lines[8], " 1.00E-03" + Blanks(4) + " 5.00E-04" + Blanks(56));
    EXPECT_EQ(out.lines[10], " TCa2        FCa2       FMg2      ");
    EXPECT_EQ(out.lines[11], "TEMP.    0.00E+00");
}

TEST(GraphFrame, Frame2D) {
    auto s = MakeFree2D();
    RecordingCanvas canvas;
    DrawGraphFrame(*s, canvas);
    const std::vector<RecordingCanvas::Segment> frame = {{15, 120, 15, 324, kBlack},
                                                         {295, 120, 295, 324, kBlack},
                                                         {15, 320, 295, 320, kBlack},
                                                         {15, 120, 295, 120, kBlack}};
    EXPECT_EQ(canvas.lines, frame);
    EXPECT_EQ(canvas.pixels.size(), 11U * 2 + 11 * 4);
    for (const auto& [x, y] :
         {std::pair{14, 120}, {296, 320}, {14, 220}, {15, 322}, {15, 124}, {295, 324}, {155, 122}})
        EXPECT_TRUE(canvas.HasPixel(x, y)) << x << "," << y;
    EXPECT_EQ(canvas.At(3, 328), " 1.00E+01");
    EXPECT_EQ(canvas.At(250, 328), " 3.00E+01");
    EXPECT_EQ(canvas.At(108, 348), "Temperature");

    s->XStart = 0;  // a 2D axis starting at 0 keeps the scientific text
    RecordingCanvas zero;
    DrawGraphFrame(*s, zero);
    EXPECT_EQ(zero.At(3, 328), " 0.00E+00");
}

TEST(GraphFrame, Frame3D) {
    auto s = MakeTotal3D();
    RecordingCanvas canvas;
    DrawGraphFrame(*s, canvas);
    EXPECT_EQ(canvas.lines.size(), 9U);
    EXPECT_EQ(canvas.lines.back(), (RecordingCanvas::Segment{185, 320, 285, 220, kBlack}));
    EXPECT_EQ(canvas.pixels.size(), 11U * 3 + 6 * 6 + 6 * 6);
    for (const auto& [x, y] : {std::pair{14, 320},
                               {286, 20},
                               {114, 220},
                               {185, 322},
                               {285, 216},
                               {115, 18},
                               {187, 320},
                               {287, 220},
                               {12, 120},
                               {113, 220}})
        EXPECT_TRUE(canvas.HasPixel(x, y)) << x << "," << y;
    EXPECT_EQ(canvas.At(3, 328), "0");  // X starts at exactly 0
    EXPECT_EQ(canvas.At(140, 328), " 8.00E+00");
    EXPECT_EQ(canvas.At(90, 348), " pH  ");
    EXPECT_EQ(canvas.At(204, 314), " 1.00E-05");
    EXPECT_EQ(canvas.At(290, 220), " 1.10E-04");
    EXPECT_EQ(canvas.At(264, 280), "FMg2");
}

TEST(GraphText, FreeTypeTwoMetals) {
    auto s = MakeFree2D();
    RecordingCanvas canvas;
    DrawGraphText(*s, canvas);
    EXPECT_EQ(canvas.At(3, 312), "0");
    EXPECT_EQ(canvas.At(3, 120) + canvas.At(3, 140) + canvas.At(3, 160) + canvas.At(3, 180), "%MAX");
    EXPECT_EQ(canvas.At(320, 30), "STARTING AT:  VAR C  pH  7.20   0.100N");
    EXPECT_EQ(canvas.At(420, 50), "[Total] M");
    EXPECT_EQ(canvas.At(400, 190), "[Total] M");
    EXPECT_EQ(canvas.At(490, 190), "Max [Free] M");
    // Chelator rows from y 70, metal rows from y 210, 20 apart.
    EXPECT_EQ(canvas.At(360, 70), "EGTA");
    EXPECT_EQ(canvas.At(420, 70), " 2.00E-03");
    EXPECT_EQ(canvas.At(360, 90), "BAPTA");
    EXPECT_EQ(canvas.At(370, 210), "Ca2");
    EXPECT_EQ(canvas.At(400, 210), " 1.00E-03");
    EXPECT_EQ(canvas.At(490, 210), " 4.10E-06");  // the series maximum
    EXPECT_EQ(canvas.At(370, 230), "Mg2");
    EXPECT_EQ(canvas.At(400, 230), " 5.00E-04");
    EXPECT_EQ(canvas.At(490, 230), " 2.00E-04");
    EXPECT_EQ(canvas.At(370, 250), "<none>");
    EXPECT_EQ(canvas.At(10, 380), "NOT VALID below  0.123 N [ion] (DEDODIZ32 2.50)");
    EXPECT_EQ(canvas.At(10, 400), "* = convergence not reached, not valid data");
    // The empty slots' markers are not drawn: no name at chelator row 3 or metal row 6.
    EXPECT_EQ(canvas.At(360, 110), "<none>");
    EXPECT_EQ(canvas.At(370, 310), "<none>");
}

TEST(GraphText, TotalType3DWithAMetalOnZ) {
    auto s = MakeTotal3D();
    RecordingCanvas canvas;
    DrawGraphText(*s, canvas);
    EXPECT_EQ(canvas.At(320, 30), "STARTING AT:  20.0 C  pH VAR   0.100N");
    EXPECT_EQ(canvas.At(400, 190), "[Free] M");
    EXPECT_EQ(canvas.At(490, 190), "Max [Total] M");
    EXPECT_EQ(canvas.At(400, 210), " 1.00E-07");
    EXPECT_EQ(canvas.At(490, 210), " 1.21E-02");
    EXPECT_EQ(canvas.At(400, 230), " VARIABLE");  // the metal on the Z axis
    EXPECT_EQ(canvas.At(490, 230), " 0.00E+00");  // a series without positive values has maximum 0
}

TEST(GraphText, ChelatorTypeShowsSeriesMaximaBesideTheChelators) {
    auto s = MakeSweptState(2);
    s->XVariable = static_cast<PointTarget>(10);  // total Mg
    s->Sweep2D[1].fill(3e-3);
    RecordingCanvas canvas;
    DrawGraphText(*s, canvas);
    EXPECT_EQ(canvas.At(320, 30), "STARTING AT:  20.0 C  pH  7.20   0.100N");
    EXPECT_EQ(canvas.At(420, 50), "Max [Total] M");
    EXPECT_EQ(canvas.At(420, 70), " 3.00E-03");
    EXPECT_EQ(canvas.At(420, 90), "<none>");
    EXPECT_EQ(canvas.At(490, 190), "[Free] M");
    EXPECT_EQ(canvas.At(400, 230), " VARIABLE");
    EXPECT_EQ(canvas.At(490, 230), " 2.00E-05");
}

TEST(GraphCurves, Curves2D) {
    auto s = MakeFree2D();
    s->Converged2D[41] = false;
    RecordingCanvas canvas;
    DrawGraphCurves(*s, canvas);
    const auto red = canvas.InColor(kRed);
    const auto lime = canvas.InColor(kLime);
    ASSERT_EQ(red.size(), 41U);  // swatch and 40 segments
    ASSERT_EQ(lime.size(), 41U);
    EXPECT_EQ(red.front(), (RecordingCanvas::Segment{350, 212, 365, 212, kRed}));
    EXPECT_EQ(lime.front(), (RecordingCanvas::Segment{350, 232, 365, 232, kLime}));
    // 1e-7 of 4.1e-6 is 4.9 pixels, 2e-7 is 9.8: rounded to 5 and 10.
    EXPECT_EQ(red[1], (RecordingCanvas::Segment{15, 315, 22, 310, kRed}));
    EXPECT_EQ(red.back(), (RecordingCanvas::Segment{288, 125, 295, 120, kRed}));
    EXPECT_EQ(lime.back(), (RecordingCanvas::Segment{288, 120, 295, 120, kLime}));
    EXPECT_EQ(canvas.lines.size(), 82U);
    EXPECT_EQ(canvas.At(291, 316), "*");
    EXPECT_EQ(canvas.Count("*"), 2);  // once per drawn series
    EXPECT_EQ(canvas.pen, kBlack);
}

TEST(GraphCurves, Curves3D) {
    auto s = MakeTotal3D();
    s->Converged3D[3][4] = false;  // a = 2, b = 3
    RecordingCanvas canvas;
    DrawGraphCurves(*s, canvas);
    const auto red = canvas.InColor(kRed);
    ASSERT_EQ(red.size(), 1U + 220);
    EXPECT_EQ(canvas.lines.size(), red.size());
    EXPECT_EQ(red.front(), (RecordingCanvas::Segment{350, 212, 365, 212, kRed}));
    // The first wire leaves the front corner along X; 1e-4 of 1.21e-2 is 1.65 pixels.
    EXPECT_EQ(red[1], (RecordingCanvas::Segment{15, 318, 32, 317, kRed}));
    // The last one reaches the back corner at 100 %: 10 Z steps up and right, 200 pixels high.
    EXPECT_EQ(red.back().x2, 285);
    EXPECT_EQ(red.back().y2, 20);
    EXPECT_EQ(canvas.At(75, 286), "*");
    EXPECT_EQ(canvas.Count("*"), 1);
}

TEST(GraphCurves, NothingPositiveLeavesOnlyTheFrame) {
    auto s = MakeSweptState(1);
    s->Sweep2D[1].fill(-1e-3);
    s->Converged2D.fill(false);
    RecordingCanvas canvas;
    DrawGraph(*s, canvas);
    EXPECT_EQ(canvas.clears, 1);
    EXPECT_EQ(canvas.lines.size(), 4U);
    EXPECT_TRUE(canvas.InColor(kRed).empty());
    EXPECT_EQ(canvas.Count("*"), 0);
    EXPECT_EQ(canvas.At(490, 210), " 0.00E+00");
}

TEST(GraphCurves, ScaledPositions) {
    struct Case {
        int base;
        double value;
        double max;
        int y;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {320, 1, 1, 120},
        {320, 0, 1, 320},
        {220, 0.5, 1, 120},
        {320, 1, 16, 308},       // 12.5 pixels: half to even
        {320, 3, 16, 282},       // 37.5 pixels
        {320, -1, 1, 520},       // below the base line
        {320, -100, 1, 20320},   // still in range
        {320, -1e30, 1, 32767},  // far below: clamped
        {320, -1e300, 1e-300, 32767},
        {320, nan, 1, 32767},
    };
    std::feclearexcept(FE_ALL_EXCEPT);
    for (const Case& c : cases) EXPECT_EQ(ScaledY(c.base, c.value, c.max), c.y) << c.value << " of " << c.max;
    EXPECT_FALSE(std::fetestexcept(FE_OVERFLOW | FE_DIVBYZERO));  // clamping never overflows

    auto s = MakeFree2D();
    s->Sweep2D[1][20] = -1e30;
    RecordingCanvas canvas;
    DrawGraphCurves(*s, canvas);
    const auto red = canvas.InColor(kRed);
    EXPECT_EQ(red[19].y2, 32767);
    EXPECT_EQ(red[20].y1, 32767);
}

}  // namespace
}  // namespace dedodiz
