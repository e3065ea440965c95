// SPDX-License-Identifier: BSD-3-Clause
#include "core/Uncertainty.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>

#include "core/ExportSupport.h"
#include "engine/Corrections.h"
#include "engine/FloatGuard.h"
#include "engine/Point.h"
#include "engine/Solver.h"

// Threads where the platform has them: a WebAssembly build without pthreads, or one configured with
// DEDODIZ_THREADS=OFF, runs every sample in the calling thread and gives the same numbers.
#if !defined(DEDODIZ_NO_THREADS) && !(defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__))
#define DEDODIZ_HAVE_THREADS 1
#include <system_error>
#include <thread>
#else
#define DEDODIZ_HAVE_THREADS 0
#endif

namespace dedodiz {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

enum class InputKind : std::uint8_t {
    PH,
    Temperature,
    Ionic,
    Purity,
    ChelatorTotal,
    MetalTotal,
    LogKH,
    EnthalpyH,
    LogKML,
    LogKMHL,
    EnthalpyML,
    EnthalpyMHL,
    Contamination,  // last: the streams of the kinds before it stay as they were
};

// One input that a sample draws: its standard uncertainty sd (absolute, or relative for the
// enthalpies, totals and ionic strength) around its value; a purity around its fraction.
struct Input {
    InputKind kind;
    int chelator = 0;  // slot 1..6
    int index = 0;     // metal slot 1..6, or protonation step 1..4
    double sd = 0;
    double mean = 0;  // purity fraction
    std::string name;
    // The key of this input's own stream of deviates: the same input draws the same numbers whatever
    // else is varied.
    [[nodiscard]] std::uint64_t Stream() const {
        return (static_cast<std::uint64_t>(kind) << 16) | (static_cast<std::uint64_t>(chelator) << 8) |
               static_cast<std::uint64_t>(index);
    }
};

// Where a result is read from the solved working copy.
struct Target {
    bool chelator = false;  // a chelator total (type Chelator)
    bool total = false;     // a metal total (type Total), otherwise the free metal
    int slot = 0;
};

struct Plan {
    TSolution solution;  // as entered: stored constants, the user's totals
    CalculationType type = CalculationType::Free;
    Precision precision = Precision::Described;
    std::vector<Input> inputs;
    std::vector<Target> targets;
};

bool ChelatorIn(const TSolution& s, int i) {
    return s.ChelName[i] != kEmptyChelator;
}
bool MetalIn(const TSolution& s, int j) {
    return s.MetalName[j] != kEmptyMetal;
}

void AddInput(Plan& plan, InputKind kind, int chelator, int index, double sd, std::string name,
              double mean = 0) {
    plan.inputs.push_back({kind, chelator, index, sd, mean, std::move(name)});
}

void AddConditionInputs(Plan& plan, const UncertaintyInputs& u) {
    if (u.pHSd > 0) AddInput(plan, InputKind::PH, 0, 0, u.pHSd, "pH");
    if (u.temperatureSd > 0) AddInput(plan, InputKind::Temperature, 0, 0, u.temperatureSd, "temperature");
    if (u.ionicRsd > 0) AddInput(plan, InputKind::Ionic, 0, 0, u.ionicRsd, "ionic strength");
}

// The amounts the user gives: the chelator totals in types Free and Total (with the purity of the
// reagent), the metal totals in types Free and Chelator.
void AddAmountInputs(Plan& plan, const UncertaintyInputs& u) {
    const TSolution& s = plan.solution;
    const bool chelatorsGiven = plan.type != CalculationType::Chelator;
    const bool metalsGiven = plan.type != CalculationType::Total;
    for (int i = 1; chelatorsGiven && i <= kSlots; ++i) {
        if (!ChelatorIn(s, i) || s.ChelTotal[i] <= 0) continue;
        const std::string name = s.ChelName[i].str();
        const PurityInput& p = u.purity[i];
        if (p.sd > 0 || p.fraction != 1)
            AddInput(plan, InputKind::Purity, i, 0, p.sd, name + " purity", p.fraction);
        if (u.totalRsd > 0) AddInput(plan, InputKind::ChelatorTotal, i, 0, u.totalRsd, name + " total");
    }
    for (int j = 1; metalsGiven && j <= kSlots; ++j) {
        if (MetalIn(s, j) && s.MetalTotal[j] > 0 && u.totalRsd > 0)
            AddInput(plan, InputKind::MetalTotal, 0, j, u.totalRsd, s.MetalName[j].str() + " total");
    }
    // After the totals: the contamination comes on top of what was pipetted.
    for (int j = 1; metalsGiven && j <= kSlots; ++j) {
        const ContaminationInput& c = u.contamination[j];
        if (MetalIn(s, j) && (c.conc > 0 || c.sd > 0))
            AddInput(plan, InputKind::Contamination, 0, j, c.sd, s.MetalName[j].str() + " contamination",
                     c.conc);
    }
}

// Every stored constant of the chosen chelators and metals, and its enthalpy. An absent constant
// (0) stays absent, and an enthalpy of 0 is one that is not known: neither is varied. Each is named
// by its kind and what it binds ("log K H2 EGTA", "log K ML Ca2-EGTA", "log K MHL Mg2-EDTA", and
// "dH" with the same names): a name that only joined the metal to "H" and the chelator read as another
// chelator's ("Mg2-HEDTA" for the MHL constant of EDTA beside the ML constant of HEDTA), and a user
// must see which constant to measure better, a script must find each one under a name of its own.
void AddConstantInputs(Plan& plan, const UncertaintyInputs& u) {
    const TSolution& s = plan.solution;
    for (int i = 1; i <= kSlots; ++i) {
        if (!ChelatorIn(s, i)) continue;
        const std::string chelator = s.ChelName[i].str();
        for (int k = 1; k <= 4; ++k) {
            if (s.LogKH[i][k] == 0) continue;
            const std::string step = " H" + std::to_string(k) + " " + chelator;
            if (u.logKHSd > 0) AddInput(plan, InputKind::LogKH, i, k, u.logKHSd, "log K" + step);
            if (u.enthalpyRsd > 0 && s.DeltaHH[i][k] != 0)
                AddInput(plan, InputKind::EnthalpyH, i, k, u.enthalpyRsd, "dH" + step);
        }
    }
    for (int i = 1; i <= kSlots; ++i) {
        if (!ChelatorIn(s, i)) continue;
        for (int j = 1; j <= kSlots; ++j) {
            if (!MetalIn(s, j)) continue;
            const std::string pair = s.MetalName[j].str() + "-" + s.ChelName[i].str();
            const std::string ml = " ML " + pair;
            const std::string mhl = " MHL " + pair;
            const auto& logK = s.LogKM[i][j];
            const auto& dH = s.DeltaHM[i][j];
            if (logK[1] != 0 && u.logKMLSd > 0)
                AddInput(plan, InputKind::LogKML, i, j, u.logKMLSd, "log K" + ml);
            if (logK[2] != 0 && u.logKMHLSd > 0)
                AddInput(plan, InputKind::LogKMHL, i, j, u.logKMHLSd, "log K" + mhl);
            if (logK[1] != 0 && dH[1] != 0 && u.enthalpyRsd > 0)
                AddInput(plan, InputKind::EnthalpyML, i, j, u.enthalpyRsd, "dH" + ml);
            if (logK[2] != 0 && dH[2] != 0 && u.enthalpyRsd > 0)
                AddInput(plan, InputKind::EnthalpyMHL, i, j, u.enthalpyRsd, "dH" + mhl);
        }
    }
}

UncertaintyResult NewResult(std::string key, std::string name, std::string kind) {
    UncertaintyResult r;
    r.key = std::move(key);
    r.name = std::move(name);
    r.kind = std::move(kind);
    return r;
}

// What the calculation type computes: the free metals (Free), the total metals (Total), the totals
// of the chelators that take part, those with protonation constants (Chelator).
void AddTargets(Plan& plan, std::vector<UncertaintyResult>& results) {
    const TSolution& s = plan.solution;
    using exporting::Key;
    if (plan.type == CalculationType::Chelator) {
        for (int i = 1; i <= kSlots; ++i) {
            if (!ChelatorIn(s, i) || s.LogKH[i][1] == 0) continue;
            plan.targets.push_back({true, false, i});
            results.push_back(
                NewResult(Key("total", s.ChelName[i].view(), "M"), s.ChelName[i].str(), "total"));
        }
        return;
    }
    const bool total = plan.type == CalculationType::Total;
    for (int j = 1; j <= kSlots; ++j) {
        if (!MetalIn(s, j)) continue;
        plan.targets.push_back({false, total, j});
        const char* kind = total ? "total" : "free";
        results.push_back(NewResult(Key(kind, s.MetalName[j].view(), "M"), s.MetalName[j].str(), kind));
    }
}

// An enthalpy that the temperature would need is not known (the pairs and chelators whose missing
// enthalpy a run away from 20 C refuses).
bool EnthalpyMissing(const TSolution& s) {
    for (int i = 1; i <= kSlots; ++i) {
        if (!ChelatorIn(s, i)) continue;
        if (s.LogKH[i][1] != 0 && s.DeltaHH[i][1] == 0) return true;
        for (int j = 1; j <= kSlots; ++j)
            if (MetalIn(s, j) && s.LogKM[i][j][1] != 0 && s.DeltaHM[i][j][1] == 0) return true;
    }
    return false;
}

// The input's value in the sample moved by z of its standard uncertainties.
void Apply(TSolution& s, const Input& in, double z) {
    const double step = in.sd * z;
    const double factor = 1 + step;
    switch (in.kind) {
        case InputKind::PH:
            s.PH += step;
            break;
        case InputKind::Temperature:
            s.Temperature += step;
            break;
        case InputKind::Ionic:
            s.IonicEquiv *= factor;
            break;
        case InputKind::Purity:
            // A reagent is never more than pure.
            s.ChelTotal[in.chelator] *= std::clamp(in.mean + step, 0.0, 1.0);
            break;
        case InputKind::ChelatorTotal:
            s.ChelTotal[in.chelator] *= std::max(0.0, factor);
            break;
        case InputKind::MetalTotal:
            s.MetalTotal[in.index] *= std::max(0.0, factor);
            break;
        case InputKind::Contamination:
            s.MetalTotal[in.index] += std::max(0.0, in.mean + step);
            break;
        case InputKind::LogKH:
            s.LogKH[in.chelator][in.index] += step;
            break;
        case InputKind::EnthalpyH:
            s.DeltaHH[in.chelator][in.index] *= factor;
            break;
        case InputKind::LogKML:
            s.LogKM[in.chelator][in.index][1] += step;
            break;
        case InputKind::LogKMHL:
            s.LogKM[in.chelator][in.index][2] += step;
            break;
        case InputKind::EnthalpyML:
            s.DeltaHM[in.chelator][in.index][1] *= factor;
            break;
        case InputKind::EnthalpyMHL:
            s.DeltaHM[in.chelator][in.index][2] *= factor;
            break;
    }
}

// The counter-based generator: SplitMix64's finaliser of a counter, two uniforms, Box-Muller.
std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

double Deviate(std::uint64_t seed, int sample, std::uint64_t stream) {
    const std::uint64_t key = Mix(Mix(seed) ^ (static_cast<std::uint64_t>(sample) << 20) ^ stream);
    constexpr double kUnit = 1.0 / 9007199254740992.0;                      // 2^-53
    const double u1 = (static_cast<double>(Mix(key) >> 11) + 0.5) * kUnit;  // never 0
    const double u2 = static_cast<double>(Mix(key ^ 0xD1B54A32D192ED03ULL) >> 11) * kUnit;
    return std::sqrt(-2 * checked::Log(u1)) * std::cos(2 * std::numbers::pi * u2);
}

enum SampleStatus : std::uint8_t { kSampleOk = 0, kSampleNotConverged = 1, kSampleFaulted = 2 };

// The solve of a run: the program's correction, its solver and, when asked for, the refinement.
void SolveAsRun(const TSolution& solution, CalculationType type, Precision precision, Calculation& c) {
    c.CalcType = type;
    PrepareWork(solution, c.WorkSolution);
    SolvePoint(c, precision);
    ZeroUnprintableConcentrations(c.WorkSolution);
}

void ReadTargets(const Plan& plan, const TSolution& work, double* values) {
    for (std::size_t r = 0; r < plan.targets.size(); ++r) {
        const Target& t = plan.targets[r];
        const double v = t.chelator ? work.ChelTotal[t.slot]
                         : t.total  ? work.MetalTotal[t.slot]
                                    : work.MetalFree[t.slot];
        values[r] = checked::Finite(v);
    }
}

// One sample with the deviate z(k) of every input k. Its floating-point faults are read and cleared
// here, so they count against the sample and never reach the caller's guard.
template <typename Deviates>
SampleStatus Evaluate(const Plan& plan, const Deviates& z, double* values) {
    TSolution sample = plan.solution;
    Calculation c;
    bool faulted = false;
    {
        const FaultScope scope;
        for (std::size_t k = 0; k < plan.inputs.size(); ++k) Apply(sample, plan.inputs[k], z(k));
        SolveAsRun(sample, plan.type, plan.precision, c);
        ReadTargets(plan, c.WorkSolution, values);
        faulted = scope.Faulted();
        ClearFaults();
    }
    if (faulted) {
        std::fill(values, values + plan.targets.size(), kNaN);
        return kSampleFaulted;
    }
    return c.Results.Converged ? kSampleOk : kSampleNotConverged;
}

// Runs job(0) .. job(count - 1) on up to `threads` threads, the caller's among them. Each job writes
// only its own results, so the order in which they run does not matter. The caller's thread asks stop
// between its blocks; once it said true no thread starts another block, and RunJobs returns false.
template <typename Job>
bool RunJobs(int count, int threads, const std::function<bool()>& stop, const Job& job) {
    std::atomic<int> next{0};
    std::atomic<bool> stopped{false};
    const auto work = [&](bool caller) {
        constexpr int kBlock = 16;
        for (int start = next.fetch_add(kBlock); start < count; start = next.fetch_add(kBlock)) {
            if (stopped.load(std::memory_order_relaxed)) return;
            for (int i = start; i < std::min(count, start + kBlock); ++i) job(i);
            if (caller && stop && stop()) {
                stopped = true;
                return;
            }
        }
    };
#if DEDODIZ_HAVE_THREADS
    std::vector<std::thread> pool;
    for (int t = 1; t < threads && t * 64 < count; ++t) {
        try {
            pool.emplace_back(work, false);
        } catch (const std::system_error&) {
            break;  // fewer threads: the caller's thread takes on the rest
        }
    }
    work(true);
    for (std::thread& thread : pool) thread.join();
#else
    (void)threads;
    work(true);
#endif
    return !stopped;
}

double Quantile(const std::vector<double>& sorted, double p) {
    if (sorted.empty()) return kNaN;
    const double h = (static_cast<double>(sorted.size()) - 1) * p;
    const auto lo = static_cast<std::size_t>(h);
    if (lo + 1 >= sorted.size()) return sorted.back();
    return sorted[lo] + (h - static_cast<double>(lo)) * (sorted[lo + 1] - sorted[lo]);
}

void Summarise(UncertaintyResult& result, const std::vector<std::uint8_t>& status) {
    std::vector<double> sorted;
    sorted.reserve(result.samples.size());
    for (std::size_t k = 0; k < result.samples.size(); ++k)
        if (status[k] == kSampleOk) sorted.push_back(result.samples[k]);
    std::sort(sorted.begin(), sorted.end());
    result.median = Quantile(sorted, 0.5);
    result.q025 = Quantile(sorted, 0.025);
    result.q975 = Quantile(sorted, 0.975);
}

// Each input's share from its solves at plus and minus one standard uncertainty (jobs 2k and 2k + 1
// after the centre, job 0). One side that failed is replaced by the centre.
void ComputeShares(const Plan& plan, const std::vector<double>& values,
                   const std::vector<std::uint8_t>& status, std::vector<UncertaintyResult>& results) {
    const std::size_t n = plan.targets.size();
    for (std::size_t r = 0; r < n; ++r) {
        std::vector<UncertaintyShare>& shares = results[r].shares;
        double sum = 0;
        const auto at = [&](std::size_t job) {
            return status[job] == kSampleOk ? values[job * n + r] : kNaN;
        };
        const double centre = at(0);
        for (std::size_t k = 0; k < plan.inputs.size(); ++k) {
            if (!(plan.inputs[k].sd > 0)) continue;
            double up = at(1 + 2 * k), down = at(2 + 2 * k);
            double span = 2;  // standard uncertainties between the two solves
            if (std::isnan(up) != std::isnan(down)) {
                (std::isnan(up) ? up : down) = centre;
                span = 1;
            }
            double effect = (up - down) / span;
            if (std::isnan(effect)) effect = 0;
            shares.push_back({plan.inputs[k].name, effect * effect});
            sum += effect * effect;
        }
        for (UncertaintyShare& s : shares) s.share = sum > 0 ? s.share / sum : 0;
        std::stable_sort(
            shares.begin(), shares.end(),
            [](const UncertaintyShare& a, const UncertaintyShare& b) { return a.share > b.share; });
    }
}

// The samples, then the centre and the two solves of every input, on the threads; false when
// options.stop ended them early.
bool RunSamples(const Plan& plan, const UncertaintyOptions& options, UncertaintyOutcome& outcome) {
    const int samples = outcome.samples;
    const std::size_t n = plan.targets.size();
    const int shareJobs = 1 + 2 * static_cast<int>(plan.inputs.size());
    std::vector<double> values(static_cast<std::size_t>(samples + shareJobs) * n, kNaN);
    std::vector<std::uint8_t> status(static_cast<std::size_t>(samples + shareJobs), kSampleOk);
    std::vector<std::uint64_t> streams;
    for (const Input& in : plan.inputs) streams.push_back(in.Stream());

    const bool complete =
        RunJobs(samples + shareJobs, UncertaintyThreads(options.threads), options.stop, [&](int job) {
            double* out = values.data() + static_cast<std::size_t>(job) * n;
            if (job < samples) {
                status[job] = Evaluate(
                    plan, [&](std::size_t k) { return Deviate(options.seed, job, streams[k]); }, out);
                return;
            }
            const int j = job - samples;  // 0 the centre, then input (j - 1) / 2 up and down
            const std::size_t input = j == 0 ? plan.inputs.size() : static_cast<std::size_t>(j - 1) / 2;
            const double z = j % 2 == 1 ? 1.0 : -1.0;
            status[job] = Evaluate(
                plan, [&](std::size_t k) { return k == input ? z : 0.0; }, out);
        });
    if (!complete) return false;

    for (int k = 0; k < samples; ++k) {
        outcome.notConverged += status[k] == kSampleNotConverged ? 1 : 0;
        outcome.faulted += status[k] == kSampleFaulted ? 1 : 0;
        outcome.sampleConverged.push_back(status[k] == kSampleOk);
    }
    for (std::size_t r = 0; r < n; ++r) {
        UncertaintyResult& result = outcome.results[r];
        result.samples.resize(static_cast<std::size_t>(samples));
        for (int k = 0; k < samples; ++k)
            result.samples[k] = status[k] == kSampleOk ? values[static_cast<std::size_t>(k) * n + r] : kNaN;
        Summarise(result, status);
    }
    const std::vector<double> shareValues(values.begin() + static_cast<std::ptrdiff_t>(samples * n),
                                          values.end());
    const std::vector<std::uint8_t> shareStatus(status.begin() + samples, status.end());
    ComputeShares(plan, shareValues, shareStatus, outcome.results);
    return true;
}

}  // namespace

int UncertaintyThreads(int requested) {
#if DEDODIZ_HAVE_THREADS
    const int machine = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    return requested <= 0 ? machine : std::min(requested, machine);
#else
    (void)requested;
    return 1;
#endif
}

UncertaintyOutcome RunUncertainty(const Calculation& calc, const UncertaintyOptions& options,
                                  MessageSink& messages) {
    MessageLog log(messages);
    UncertaintyOutcome outcome;
    outcome.type = calc.CalcType;
    outcome.options = options;
    outcome.samples = std::clamp(options.samples, 1, kMaxUncertaintySamples);
    const auto finish = [&](RunStatus status) {
        outcome.status = status;
        outcome.messages = log.Messages();
        return outcome;
    };
    if (!CheckRunInputs(calc.Solution, calc.CalcType, log)) return finish(RunStatus::Refused);

    auto plan = std::make_unique<Plan>();
    plan->solution = calc.Solution;
    plan->type = calc.CalcType;
    plan->precision = options.precision;
    AddTargets(*plan, outcome.results);

    // The single point, as a run computes it, under the command's guard.
    auto single = std::make_unique<Calculation>();
    std::vector<double> value(plan->targets.size());
    const bool solved = RunGuarded(log, [&] {
        SolveAsRun(calc.Solution, calc.CalcType, options.precision, *single);
        ReadTargets(*plan, single->WorkSolution, value.data());
    });
    if (!solved) return finish(RunStatus::Fault);
    outcome.converged = single->Results.Converged;
    for (std::size_t r = 0; r < value.size(); ++r) outcome.results[r].value = value[r];

    AddConditionInputs(*plan, options.inputs);
    AddAmountInputs(*plan, options.inputs);
    AddConstantInputs(*plan, options.inputs);
    outcome.inputs = static_cast<int>(
        std::count_if(plan->inputs.begin(), plan->inputs.end(), [](const Input& in) { return in.sd > 0; }));
    outcome.enthalpyMissing = options.inputs.temperatureSd > 0 && EnthalpyMissing(calc.Solution);
    for (int i = 1; i <= kSlots; ++i) {
        const PurityInput& p = options.inputs.purity[i];
        if (ChelatorIn(calc.Solution, i) && (p.sd > 0 || p.fraction != 1))
            outcome.purities.emplace_back(calc.Solution.ChelName[i].str(), p);
    }
    for (int j = 1; j <= kSlots; ++j) {
        const ContaminationInput& c = options.inputs.contamination[j];
        if (MetalIn(calc.Solution, j) && (c.conc > 0 || c.sd > 0))
            outcome.contaminations.emplace_back(calc.Solution.MetalName[j].str(), c);
    }
    outcome.interrupted = !RunSamples(*plan, options, outcome);
    return finish(RunStatus::Ran);
}

}  // namespace dedodiz
