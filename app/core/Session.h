// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The calculator as every front end uses it. A Session owns the parts of the program state (the
// constants table, the choice, the calculation, the pH buffer table, the sweep data and the last recipe
// and uncertainty) and has one call per command. Each call applies the input rules (core/Rules.h),
// computes, and returns one typed Outcome: what happened, the messages the desktop program would show
// in order, the report lines, and whether the numbers hold. The desktop windows, the command-line tool,
// the web page and the Python module only gather input, call the Session and show what comes back.
//
// A Session is each of its parts (as the desktop program's state always was), so a function that takes
// one part can be handed the Session; the windows' own parts (dialog flags, the editor) live beside it.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "buffers/BufferCalc.h"
#include "buffers/BufferModel.h"
#include "buffers/Evaluate.h"
#include "core/Calibration.h"
#include "core/RecipeCalc.h"
#include "core/Rules.h"
#include "core/Sweep.h"
#include "core/Uncertainty.h"
#include "engine/Run.h"
#include "engine/Sinks.h"
#include "engine/State.h"

namespace dedodiz {

// The precision of every front end unless the user chooses another.
inline constexpr Precision kDefaultPrecision = Precision::Checked;

// How a command ended.
enum class Status : std::uint8_t {
    Ran,           // it did what was asked; warnings may have been shown
    Refused,       // bad input: refusals name each field and why; nothing ran and nothing changed
    Stopped,       // the computation's own checks stopped it with an "ERROR" message (constants missing,
                   // total metal below free metal, a metal name without valence)
    CannotBeMade,  // a recipe that cannot be made: reason says why ("CANNOT BE MADE" was shown)
    Fault,         // a floating-point fault ended it ("ERROR" shown); no result was stored
    FileError,     // a file could not be read or written: reason is the reader's or the system's
};

// "ran", "refused", "stopped", "cannot be made", "fault", "file error".
std::string_view StatusWord(Status status);

struct Outcome {
    Status status = Status::Ran;
    Refusals refusals;                // Refused: every field refused, in the order of the input
    std::string reason;               // Refused: the first refusal's message; CannotBeMade, FileError: why
    std::string path;                 // FileError: the file
    int error = 0;                    // FileError: the system's error number, 0 when a file was refused
    ShownMessages messages;           // every message shown, in order
    std::vector<std::string> report;  // the report lines written (empty unless it ran)
    bool converged = true;            // every number shown holds (a run, a sweep: each point)
    bool refined = false;             // the refinement changed the answer (its report says so)
    double residual = 0;              // where refined: the final relative mass-balance residual

    [[nodiscard]] bool Ran() const { return status == Status::Ran; }
    // What went wrong, in one line for a front end that has no message boxes: the refusal, the reason,
    // or the text of the "ERROR" message that stopped the command ('\r' as a blank). Empty when it ran.
    [[nodiscard]] std::string Message() const;
};

// A solution described by names and numbers. A metal's numbers are read by the type (engine/CalcTypes.h):
// the free concentration for type Total, the total for type Free, both for type Chelator.
struct SolutionInput {
    struct Chelator {
        std::string name;
        Amount total;  // not read in type Chelator, which computes it
    };
    struct Metal {
        std::string name;
        Amount total;
        Amount free;  // may be a pX
    };
    CalculationType type = CalculationType::Free;
    double temperature = kReferenceTemperature;  // [C]
    double pH = 7.0;
    double ionic = kReferenceIonic;   // [N]
    std::vector<Chelator> chelators;  // at most six, each named once
    std::vector<Metal> metals;        // at most six, each named once
};

// What a sweep is asked for: one axis (2D, 41 points) or two (3D, 11 x 11).
struct SweepRequest {
    TAxisRange x;
    std::optional<TAxisRange> z;
};

// The conditions of the buffer ranges report.
struct Conditions {
    double temperature = kReferenceTemperature;  // [C]
    double pH = 7.0;
    double ionic = kReferenceIonic;  // [N]
};

class Session : public ConstantsTable,
                public Selection,
                public Calculation,
                public BufferTool,
                public SweepState {
  public:
    // An empty table, nothing chosen, the default conditions (20 C, pH 7, 0.1 N, type Free), the buffer
    // record at its defaults; checked precision.
    Session();

    // The parts by name, for calls that take more than one.
    ConstantsTable& table() { return *this; }
    Selection& selection() { return *this; }
    Calculation& calc() { return *this; }
    BufferTool& buffers() { return *this; }
    SweepState& sweep() { return *this; }
    [[nodiscard]] const ConstantsTable& table() const { return *this; }
    [[nodiscard]] const Selection& selection() const { return *this; }
    [[nodiscard]] const Calculation& calc() const { return *this; }
    [[nodiscard]] const BufferTool& buffers() const { return *this; }
    [[nodiscard]] const SweepState& sweep() const { return *this; }

    // Where messages and report lines go as they arise (the desktop's message boxes and output window);
    // nullptr: nowhere. Every outcome keeps them either way.
    void SetSinks(MessageSink* messages, OutputSink* output);

    // How every solve of the session's commands is done: the switch of every front end.
    Precision precision = kDefaultPrecision;

    // Where data files given by name alone are looked for after the name as given: the bundled data
    // folders unless set (the Python module adds its own). Looked up on first use.
    void SetDataFolders(std::vector<std::filesystem::path> folders) { dataFolders_ = std::move(folders); }
    const std::vector<std::filesystem::path>& DataFolders();

    // ---- Files ----
    // A constants file (.TCM, .CCM), found as data files are (as given, then in the bundled data
    // folder); its name is kept as given. A failure leaves the table as it was.
    Outcome LoadConstants(const std::string& path);
    Outcome LoadBundledConstants();
    // Writes the table in the kind the name selects.
    Outcome SaveConstants(const std::string& path);
    // A work file as File > Work Load reads it, without running it: table, choice and solution.
    Outcome LoadWork(const std::string& path);
    Outcome SaveWork(const std::string& path);
    // A pH buffer file; the bundled buffers.bcm for LoadBundledBuffers.
    Outcome LoadBuffers(const std::string& path);
    Outcome LoadBundledBuffers();

    // ---- The solution ----
    // Checks entered by every rule and, when it passes, makes it the session's solution: the choice in
    // table order and the concentrations its type reads. A refused description changes nothing.
    Outcome Describe(const SolutionInput& entered);
    // The rules on the solution as it stands (entered, or loaded from a work file): Refused or Ran.
    [[nodiscard]] Outcome CheckSolution() const;

    // ---- Commands ----
    // The single-point run of the solution as it stands: the report, the results kept in the solution.
    Outcome Run(ReportPlacement placement = ReportPlacement::Replace);
    // A 2D or 3D sweep of the solution; refuses what a run of its starting solution refuses.
    Outcome Sweep(const SweepRequest& request, ReportPlacement placement = ReportPlacement::Replace);
    // Kd and buffering range of every chelator of the table for the chosen metals.
    Outcome Evaluate(ReportPlacement placement = ReportPlacement::Replace);
    // The useful range of every pH buffer of the buffer table at the conditions.
    Outcome BufferRanges(const Conditions& conditions, ReportPlacement placement = ReportPlacement::Replace);
    // The constants listing.
    Outcome List(ReportPlacement placement = ReportPlacement::Replace);
    // What to pipette for the solution (kept in LastRecipe()); the request's precision is the session's.
    // The pH buffer is looked up in bufferTable, or in the session's own buffer table when none is given.
    Outcome MakeRecipe(RecipeRequest request, ReportPlacement placement = ReportPlacement::Replace,
                       const BufferTool* bufferTable = nullptr);
    // The spread of the results (kept in LastUncertainty()); the options' precision is the session's.
    Outcome Uncertainty(UncertaintyOptions options, ReportPlacement placement = ReportPlacement::Replace);
    // The purity, contamination and apparent Kd fitted to a titration (kept in LastCalibration()), for the
    // chelator and metal of the table that the request names; the session's solution is not changed.
    // Data that cannot give the numbers ends as Stopped with the reason (what to measure more).
    Outcome Calibrate(CalibrationRequest request, ReportPlacement placement = ReportPlacement::Replace);
    // Writes the table with the last calibration's log K for its pair (CalibratedTable) to a new
    // constants file: never over the bundled table or the file the table was loaded from.
    Outcome SaveCalibratedConstants(const std::string& path);

    // ---- Results ----
    // A number of the last run by the name the CSV export gives it ("free_Ca2_M", "Kd_EGTA_Ca2_M",
    // "solution_ionic_strength_M"); nullopt for a name it does not have.
    [[nodiscard]] std::optional<double> Value(std::string_view key) const;
    [[nodiscard]] const ChelatorEvaluation& LastEvaluation() const { return evaluation_; }
    [[nodiscard]] const dedodiz::BufferRanges& LastBufferRanges() const { return ranges_; }
    [[nodiscard]] const Recipe& LastRecipe() const { return *recipe_; }
    [[nodiscard]] const UncertaintyOutcome& LastUncertainty() const { return *uncertainty_; }
    [[nodiscard]] const Calibration& LastCalibration() const { return *calibration_; }
    [[nodiscard]] const RecipeRequest& LastRecipeRequest() const { return recipeRequest_; }
    [[nodiscard]] const UncertaintyOptions& LastUncertaintyOptions() const { return uncertaintyOptions_; }

    // What File > New does to the session's parts: an empty table, nothing chosen, the default
    // conditions, type Free, the buffer record at its defaults. The sweep data and buffer slots stay.
    void New();

  private:
    class Recorder;
    std::optional<std::vector<std::filesystem::path>> dataFolders_;
    MessageSink* messages_ = nullptr;
    OutputSink* output_ = nullptr;
    ChelatorEvaluation evaluation_;
    dedodiz::BufferRanges ranges_;
    std::shared_ptr<Recipe> recipe_;
    std::shared_ptr<UncertaintyOutcome> uncertainty_;
    std::shared_ptr<Calibration> calibration_;
    RecipeRequest recipeRequest_;
    UncertaintyOptions uncertaintyOptions_;
};

// An outcome that refused input.
Outcome RefusedOutcome(Refusals refusals);

// The recipe request's own rules: every name in the solution (or the pH buffer), none given twice, every
// amount finite and in its range, a pX series within 0 .. 30. Called by Session::MakeRecipe; front ends
// that build a request step by step may call it to mark a field before the whole is asked for.
void CheckRecipeRequest(const TSolution& solution, const RecipeRequest& request, Refusals& refusals);

// The uncertainty options' own rules: every standard uncertainty finite and not negative, every purity
// of a chelator of the solution in (0, 1], named once, the number of samples in 1 .. the most.
void CheckUncertaintyOptions(const TSolution& solution, const UncertaintyOptions& options,
                             Refusals& refusals);

}  // namespace dedodiz
