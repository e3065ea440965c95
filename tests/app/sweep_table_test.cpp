// The sweep table's exact layout for 2D and 3D sweeps and each calculation type.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Recorders.h"
#include "Sweep.h"
#include "SweepTable.h"

namespace dedodiz {
namespace {

std::string Blanks(std::size_t n) { return std::string(n, ' '); }

// The snapshot of a sweep over EGTA and BAPTA with Ca2 and Mg2, the other slots still carrying the
// empty-slot markers (as before the graph has been drawn).
std::unique_ptr<State> MakeSweptState(std::uint16_t mode) {
    auto s = std::make_unique<State>();
    NewState(*s);
    ResetSweepData(*s);
    s->SweepMode = mode;
    s->CalcType = static_cast<std::int16_t>(mode % 3);
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
    s->StartMetalFree[2] = 0;
    s->PeakComplexIonic = 0.123456;
    return s;
}

const std::string kValidityLine = "NOT VALID BELOW IONIC CONCENTRATION OF CHELATOR/METAL COMPLEX [ 0.123 N]";

TEST(SweepTable, Layout2D) {
    auto s = MakeSweptState(1);  // type Free, temperature from 10 to 30
    s->XVariable = 0;
    s->XStart = 10;
    s->XStep = 0.5;
    for (int i = 1; i <= kSweepPoints2D; ++i) {
        s->Sweep2D[1][i] = 1e-7 * i;
        s->Sweep2D[2][i] = 2e-4;
    }
    s->Sweep2D[2][3] = 0;      // not positive: a blank column
    s->Sweep2D[1][4] = -1e-9;
    test::OutputRecorder out;
    out.lines = {"old report"};
    WriteSweepTable(*s, out);

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
    s->XVariable = 2;
    s->XStart = 0.0001;
    s->XStep = 0.025;
    s->AddNextRun = true;
    test::OutputRecorder out;
    out.lines = {"previous run"};
    WriteSweepTable(*s, out);
    EXPECT_EQ(out.clears, 0);
    EXPECT_EQ(out.lines[0], "previous run");
    EXPECT_EQ(out.lines[11], "[ion]        TZn2       TZn2       TZn2       TZn2       TZn2       TZn2      ");
    EXPECT_EQ(out.lines[12], " 1.00E-04   1.00E-05   2.00E-05   3.00E-05   4.00E-05   5.00E-05   6.00E-05  ");
    EXPECT_EQ(out.lines[12].size(), 77U);
    EXPECT_EQ(out.lines[13].substr(0, 9), " 2.51E-02");
    EXPECT_EQ(out.lines[52].substr(0, 9), " 1.00E+00");
}

TEST(SweepTable, Layout3D) {
    auto s = MakeSweptState(3);  // type Total: pH on X, free Mg on Z
    s->XVariable = 1;
    s->ZVariable = 4;
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
    WriteSweepTable(*s, out);

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
    s->XVariable = 9;  // total Ca
    s->ZVariable = 0;
    test::OutputRecorder out;
    WriteSweepTable(*s, out);
    EXPECT_EQ(out.lines[4], "METAL FREE[M] and METAL TOTAL[M]");
    EXPECT_EQ(out.lines[5], "Ca2" + Blanks(10) + "Mg2" + Blanks(62));
    EXPECT_EQ(out.lines[6], " 1.00E-07" + Blanks(69));  // free Mg is 0: left blank
    EXPECT_EQ(out.lines[8], " 1.00E-03" + Blanks(4) + " 5.00E-04" + Blanks(56));
    EXPECT_EQ(out.lines[10], " TCa2        FCa2       FMg2      ");
    EXPECT_EQ(out.lines[11], "TEMP.    0.00E+00");
}

TEST(SweepTable, Labels) {
    auto s = MakeSweptState(1);
    s->StartMetalName[3] = "K1";
    const std::pair<std::uint16_t, const char*> cases[] = {
        {0, "TEMP."}, {1, " pH  "}, {2, "[ion]"}, {3, " FCa2"}, {5, " FK1"}, {10, " TMg2"}, {12, " T"}, {15, ""},
    };
    for (const auto& [code, label] : cases) EXPECT_EQ(SweepTableLabel(*s, code), label) << code;
}

}  // namespace
}  // namespace dedodiz
