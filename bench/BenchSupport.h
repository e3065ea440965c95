// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// What the benchmarks share: a counting operator new (include this header in exactly one source file
// of each benchmark program), a silent message sink, and a full 6 x 6 solution with constants of the
// critical tables (20 C, 0.1 N) at 37 C, pH 7.2 and 0.15 N.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "engine/Sinks.h"
#include "engine/State.h"

namespace dedodiz::perf {
inline std::atomic<long> g_allocations{0};
}  // namespace dedodiz::perf

void* operator new(std::size_t size) {
    dedodiz::perf::g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace dedodiz::perf {

struct NoMessages : MessageSink {
    void Message(std::string_view, std::string_view) override {}
};

// The engine's parts that a benchmark fills and solves.
struct Parts : ConstantsTable, Selection, Calculation {};

// Six chelators (EGTA, BAPTA, EDTA, HEDTA, NTA, CDTA) and six metals (Ca, Mg, Sr, Ba, Mn, Zn), all chosen,
// with totals of everyday buffers and free metals a thousandth of the totals.
inline void FillSixBySix(Parts& s, int calcType) {
    struct Chel {
        const char* name;
        double h[4], dh[4];
        double ml[6], mhl[6], dml[6];
    };
    const Chel table[] = {
        {"EGTA",
         {9.47, 8.85, 2.66, 2.00},
         {-5.6, -5.5, 0, 0},
         {10.97, 5.21, 8.50, 8.41, 12.28, 12.60},
         {5.30, 3.40, 0, 0, 0, 0},
         {-8.1, 5.4, 0, 0, 0, 0}},
        {"BAPTA",
         {6.36, 5.47, 0, 0},
         {0, 0, 0, 0},
         {6.97, 1.77, 0, 0, 0, 8.10},
         {0, 0, 0, 0, 0, 0},
         {0, 0, 0, 0, 0, 0}},
        {"EDTA",
         {10.24, 6.16, 2.66, 2.00},
         {-5.6, -4.2, 1.3, 0.3},
         {10.70, 8.69, 8.63, 7.76, 13.87, 16.50},
         {3.60, 2.50, 2.60, 2.10, 6.80, 9.20},
         {-6.1, 3.3, -4.1, -4.9, -4.6, -4.6}},
        {"HEDTA",
         {9.87, 5.40, 2.60, 0},
         {-5.0, -2.0, 0, 0},
         {8.10, 7.00, 6.80, 6.20, 11.10, 14.60},
         {0, 0, 0, 0, 0, 0},
         {0, 0, 0, 0, 0, 0}},
        {"NTA",
         {9.73, 2.49, 1.89, 0},
         {-4.5, 0.2, 0.4, 0},
         {6.46, 5.45, 5.00, 4.83, 7.44, 10.67},
         {0, 0, 0, 0, 0, 0},
         {-1.4, 4.3, -0.5, -1.4, 1.4, -0.9}},
        {"CDTA",
         {11.70, 6.12, 3.52, 2.43},
         {-6.0, -1.5, 0, 0},
         {12.50, 10.32, 10.00, 8.00, 16.78, 18.67},
         {0, 0, 0, 0, 0, 0},
         {0, 0, 0, 0, 0, 0}},
    };
    const char* metals[] = {"Ca2", "Mg2", "Sr2", "Ba2", "Mn2", "Zn2"};
    NewCalculation(s, s, s);
    for (int c = 1; c <= 6; ++c) {
        TChelatorRec& rec = s.Constants[c];
        const Chel& src = table[c - 1];
        rec.Name = src.name;
        for (int k = 1; k <= 4; ++k) rec.H[k] = src.h[k - 1], rec.dH[k] = src.dh[k - 1];
        for (int m = 1; m <= 6; ++m) {
            s.Constants[1].MetalName[m] = metals[m - 1];
            rec.ML[m] = src.ml[m - 1];
            rec.MHL[m] = src.mhl[m - 1];
            rec.dML[m] = src.dml[m - 1];
        }
        s.ChelatorChosen[c] = true;
    }
    for (int m = 1; m <= 6; ++m) s.MetalChosen[m] = true;
    NoMessages messages;
    BuildSelection(s, s, s.Solution, messages);
    s.CalcType = static_cast<CalculationType>(calcType);
    s.Solution.Temperature = 37;
    s.Solution.PH = 7.2;
    s.Solution.IonicEquiv = 0.15;
    const double chel[] = {2e-3, 1e-3, 5e-4, 2e-4, 1e-3, 1e-4};
    const double metal[] = {1.5e-3, 1e-3, 1e-4, 5e-5, 1e-5, 2e-5};
    for (int k = 1; k <= 6; ++k) {
        s.Solution.ChelTotal[k] = chel[k - 1];
        s.Solution.MetalTotal[k] = metal[k - 1];
        s.Solution.MetalFree[k] = metal[k - 1] / 1000;
    }
}

}  // namespace dedodiz::perf
