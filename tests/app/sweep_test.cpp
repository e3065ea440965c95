// SPDX-License-Identifier: BSD-3-Clause
// Sweeps: the point targets of each axis and calculation type, the points themselves (each must equal
// an independent solve at that condition), the state left behind, and a sweep stopped by a fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "Recorders.h"
#include "Tables.h"
#include "TestState.h"
#include "core/Sweep.h"
#include "engine/Corrections.h"
#include "engine/Solver.h"

namespace dedodiz {
using TestState = test::Parts<BufferTool, SweepState>;
namespace {

// EGTA and BAPTA with Ca2 and Mg2 at pH 7.2, 20 C, 0.1 N.
std::unique_ptr<TestState> MakeSolution(int calcType) {
    auto s = std::make_unique<TestState>();
    NewState(*s);
    test::FillSampleTable(*s);
    s->ChelatorChosen[1] = s->ChelatorChosen[2] = true;
    s->MetalChosen[1] = s->MetalChosen[2] = true;
    test::MessageRecorder messages;
    BuildSelection(*s, *s, s->Solution, messages);
    ResetSweepData(*s);
    s->CalcType = static_cast<CalculationType>(calcType);
    TSolution& sol = s->Solution;
    sol.PH = 7.2;
    sol.ChelTotal[1] = 2e-3;
    sol.ChelTotal[2] = 1e-3;
    sol.MetalTotal[1] = 1e-3;
    sol.MetalTotal[2] = 5e-4;
    sol.MetalFree[1] = 1e-7;
    sol.MetalFree[2] = 1e-4;
    return s;
}

// What a series holds for the calculation type.
double Series(const TestState& s, int k) {
    const TSolution& w = s.WorkSolution;
    switch (s.CalcType) {
        case CalculationType::Total:
            return w.MetalTotal[k];
        case CalculationType::Free:
            return w.MetalFree[k];
        case CalculationType::Chelator:
            break;
    }
    return w.ChelTotal[k];
}

using Change = std::function<void(TSolution&)>;

// One solve of the entered solution with the working copy changed as a point of a sweep changes it.
std::unique_ptr<TestState> SolveWith(const TestState& entered, const Change& change) {
    auto s = std::make_unique<TestState>(entered);
    PrepareWork(s->Solution, s->WorkSolution);
    change(s->WorkSolution);
    CorrectAllConstants(s->Solution, s->WorkSolution);
    test::SolveWork(*s);
    return s;
}

Change SetVariable(PointTarget target, double v) {
    return [code = static_cast<int>(target), v](TSolution& w) {
        if (code == 0) w.Temperature = v;
        if (code == 1) w.PH = v;
        if (code == 2) w.IonicEquiv = v;
        if (code >= 3 && code <= 8) w.MetalFree[code - 2] = v;
        if (code >= 9 && code <= 14) w.MetalTotal[code - 8] = v;
    };
}

TEST(SweepTargets, MetalAxisSweepsTheGivenConcentrationOfEachType) {
    struct Case {
        std::int16_t calcType;
        std::uint16_t axis;
        std::uint16_t target;
    };
    const Case cases[] = {
        {0, 0, 0}, {1, 0, 0},  {2, 1, 1},   // conditions are never shifted
        {0, 2, 2}, {1, 2, 2},               //
        {0, 4, 4}, {1, 4, 10}, {2, 4, 10},  // metal slot 2: free in type Total, total otherwise
        {0, 3, 3}, {1, 8, 14},
    };
    for (const Case& c : cases) {
        auto s = MakeSolution(c.calcType);
        const auto axis = static_cast<AxisVariable>(c.axis);
        const auto target = static_cast<PointTarget>(c.target);
        s->XAxis = {axis, 1, 2};
        s->ZAxis = {axis, 1, 2};
        s->SweepMode = static_cast<SweepKind>(c.calcType + 3);
        PrepareSweep(*s, *s);
        EXPECT_EQ(s->XVariable, target) << "type " << c.calcType << " axis " << c.axis;
        EXPECT_EQ(s->ZVariable, target) << "type " << c.calcType << " axis " << c.axis;
        EXPECT_EQ(MetalSlotOfVariable(target), c.axis > 2 ? c.axis - 2 : 0);
    }
}

TEST(SweepTargets, StartsAndSteps) {
    auto s = MakeSolution(1);
    s->XAxis = {AxisVariable::Ionic, 0, 1};  // an ionic axis entered from 0 starts just above it
    s->ZAxis = {AxisVariable::Ionic, 0, 1};
    s->SweepMode = SweepKind::Free2D;
    PrepareSweep(*s, *s);
    EXPECT_DOUBLE_EQ(s->XStart, 0.0001);
    EXPECT_DOUBLE_EQ(s->XStep, 0.025);  // from the entered low value
    EXPECT_DOUBLE_EQ(s->ZStart, 0.0001);

    s->SweepMode = SweepKind::Free3D;
    s->XAxis = {AxisVariable::Temperature, 10, 5};  // downwards
    PrepareSweep(*s, *s);
    EXPECT_DOUBLE_EQ(s->XStart, 10);
    EXPECT_DOUBLE_EQ(s->XStep, -0.5);
    EXPECT_DOUBLE_EQ(s->ZStep, 0.1);

    s->XAxis = {AxisVariable::PH, 0, 1};  // only the ionic axis is moved off 0
    PrepareSweep(*s, *s);
    EXPECT_EQ(s->XStart, 0);
}

// Every point of a 2D sweep equals a solve of the entered solution at that point's value; this holds
// for types Total and Free, whose solves do not start from the previous point's results.
TEST(Sweep2D, EveryPointIsTheSolveAtItsValue) {
    struct Case {
        std::int16_t calcType;
        TAxisRange axis;
    };
    const Case cases[] = {
        {0, {AxisVariable::PH, 8, 6}},            // pH downwards
        {1, {AxisVariable::Temperature, 5, 35}},  // temperature: constants corrected at every point
        {1, {AxisVariable::Ionic, 0, 1}},         // ionic strength from 0: 0.0001, 0.0251, ..., 1.0001
        {0, {MetalAxis(2), 1e-5, 1e-3}},          // free Mg in type Total
        {1, {MetalAxis(1), 2e-4, 2e-4}},          // low equal to high
    };
    for (const Case& c : cases) {
        auto s = MakeSolution(c.calcType);
        const auto entered = std::make_unique<TestState>(*s);
        s->XAxis = c.axis;
        s->SweepMode = static_cast<SweepKind>(c.calcType);
        RunSweep(*s, *s);
        double peak = 0;
        for (int i = 1; i <= kSweepPoints2D; ++i) {
            const double x = s->XStart + (i - 1) * s->XStep;
            const auto ref = SolveWith(*entered, SetVariable(s->XVariable, x));
            for (int k = 1; k <= kSlots; ++k)
                ASSERT_DOUBLE_EQ(s->Sweep2D[k][i], Series(*ref, k))
                    << "axis " << static_cast<int>(c.axis.Variable) << " point " << i;
            EXPECT_EQ(s->Converged2D[i], ref->Results.Converged);
            peak = std::max(peak, ComputeSolutionCharge(ref->WorkSolution, ref->Results));
        }
        EXPECT_DOUBLE_EQ(s->PeakComplexIonic, peak);
    }
}

// X index first: Sweep3D[k][i][j] belongs to X point i and Z point j.
TEST(Sweep3D, GridPointsFollowTheirAxes) {
    auto s = MakeSolution(0);
    const auto entered = std::make_unique<TestState>(*s);
    s->XAxis = {AxisVariable::PH, 6, 8};    // pH
    s->ZAxis = {MetalAxis(1), 1e-8, 1e-6};  // free Ca
    s->SweepMode = SweepKind::Total3D;
    RunSweep(*s, *s);
    double peak = 0;
    for (int i = 1; i <= kSweepPoints3D; ++i) {
        for (int j = 1; j <= kSweepPoints3D; ++j) {
            const double x = 6 + (i - 1) * 0.2;
            const double z = 1e-8 + (j - 1) * (1e-6 - 1e-8) / 10;
            const auto ref = SolveWith(*entered, [&](TSolution& w) {
                w.PH = x;
                w.MetalFree[1] = z;
            });
            for (int k = 1; k <= kSlots; ++k)
                ASSERT_NEAR(s->Sweep3D[k][i][j], Series(*ref, k), 1e-12 * std::abs(Series(*ref, k)))
                    << i << "," << j;
            EXPECT_TRUE(s->Converged3D[i][j]);
            peak = std::max(peak, ComputeSolutionIonic(ref->WorkSolution, ref->Results));
        }
    }
    EXPECT_NEAR(s->PeakComplexIonic, peak, 1e-12);
    EXPECT_GT(s->Sweep3D[1][1][11], s->Sweep3D[1][1][1]);  // more free Ca needs more total Ca
}

TEST(Sweep, SolutionIsAsEnteredAfterwards) {
    for (std::int16_t type : {0, 1, 2}) {
        auto s = MakeSolution(type);
        if (type == 2) s->Solution.MetalFree[1] = 1e-6;  // a reachable free Ca for the chelator question
        const TSolution before = s->Solution;
        s->XAxis = {AxisVariable::Temperature, 10, 30};
        s->ZAxis = {MetalAxis(2), 1e-4, 2e-3};  // metal slot 2
        s->SweepMode = static_cast<SweepKind>(type + 3);
        RunSweep(*s, *s);
        const TSolution& after = s->Solution;
        EXPECT_EQ(after.Temperature, before.Temperature);
        EXPECT_EQ(after.PH, before.PH);
        EXPECT_EQ(after.IonicEquiv, before.IonicEquiv);
        EXPECT_EQ(after.ChelTotal, before.ChelTotal);
        EXPECT_EQ(after.ChelFree, before.ChelFree);
        EXPECT_EQ(after.MetalTotal, before.MetalTotal);
        EXPECT_EQ(after.MetalFree, before.MetalFree);
        EXPECT_EQ(after.LogKM, before.LogKM);
        EXPECT_DOUBLE_EQ(s->WorkSolution.Temperature, 30);  // the working copy keeps the last point
    }
}

TEST(Sweep, FaultKeepsThePreviousSweep) {
    auto s = MakeSolution(1);
    test::MessageRecorder messages;
    s->XAxis = {AxisVariable::Temperature, 10, 30};
    ASSERT_TRUE(RunSweepCommand(*s, *s, false, messages));
    ASSERT_TRUE(messages.messages.empty());
    EXPECT_EQ(s->SweepMode, SweepKind::Free2D);
    const auto good = std::make_unique<TestState>(*s);

    s->XAxis = {AxisVariable::Ionic, -1, 1};  // negative ionic strengths cannot be corrected to
    s->ZAxis = {AxisVariable::PH, 6, 8};
    EXPECT_FALSE(RunSweepCommand(*s, *s, true, messages));
    ASSERT_EQ(messages.messages.size(), 1U);
    EXPECT_EQ(messages.messages[0].second, "ERROR");
    EXPECT_EQ(s->SweepMode, SweepKind::Free2D);  // the graph and the table still show the 2D sweep
    EXPECT_EQ(s->XVariable, good->XVariable);
    EXPECT_EQ(s->XStep, good->XStep);
    EXPECT_EQ(s->Sweep2D, good->Sweep2D);
    EXPECT_EQ(s->Sweep3D, good->Sweep3D);
    EXPECT_EQ(s->PeakComplexIonic, good->PeakComplexIonic);
    EXPECT_EQ(s->Solution.MetalFree, good->Solution.MetalFree);
    EXPECT_EQ(s->Solution.IonicEquiv, good->Solution.IonicEquiv);
    EXPECT_EQ(s->XAxis.Low, -1);  // what the user entered is offered again
}

TEST(AxisDialog, ValuesParseOrKeepTheirOldValue) {
    struct Case {
        const char* low;
        const char* high;
        double wantLow;
        double wantHigh;
    };
    const Case cases[] = {
        {" 2.00E+0001", "-1.5e-3", 20, -1.5e-3},
        {"abc", "", 1, 2},    // not numbers
        {"3 ", "4,5", 1, 2},  // a trailing blank or a comma makes the text invalid
    };
    for (const Case& c : cases) {
        TAxisRange axis{AxisVariable::Temperature, 1, 2};
        ApplyAxisDialog(axis, MetalAxis(3), c.low, c.high);
        EXPECT_EQ(axis.Variable, MetalAxis(3));
        EXPECT_DOUBLE_EQ(axis.Low, c.wantLow) << c.low;
        EXPECT_DOUBLE_EQ(axis.High, c.wantHigh) << c.high;
    }
    EXPECT_EQ(AxisValueText(20), " 2.00E+0001");
    EXPECT_EQ(AxisValueText(-0.0015), "-1.50E-0003");

    auto s = MakeSolution(1);
    EXPECT_TRUE(AxisMetalShown(s->Solution, 1));
    EXPECT_TRUE(AxisMetalShown(s->Solution, 2));
    EXPECT_FALSE(AxisMetalShown(s->Solution, 3));  // "===": its radio button is hidden
}

}  // namespace
}  // namespace dedodiz
