// SPDX-License-Identifier: BSD-3-Clause
// sweep: the 2D or 3D sweep of a work file's solution, its graph, and the sweep table. The graph is
// drawn on the Qt image canvas only when a bitmap is asked for; the plugin is opened then and not
// before, so that the command otherwise loads no Qt library.

#include <memory>

#include "cli/Commands.h"
#include "core/Bmp.h"
#include "core/Export.h"
#include "core/Graph.h"
#include "core/Sweep.h"
#include "core/SweepTable.h"
#include "files/WorkFile.h"
#include "qtcanvas/CanvasLoader.h"

namespace dedodiz::cli {

namespace {

struct SweepOptions {
    std::string workFile;
    std::string x;
    std::string z;
    std::string bmp;
    bool bmpGiven = false;  // --bmp was given (its name may still be empty)
};

AxisVariable ParseVariable(const std::string& name, const std::string& option) {
    if (name == "temp") return AxisVariable::Temperature;
    if (name == "ph") return AxisVariable::PH;
    if (name == "ionic") return AxisVariable::Ionic;
    if (name.size() == 6 && name.compare(0, 5, "metal") == 0 && name[5] >= '1' && name[5] <= '6')
        return MetalAxis(name[5] - '0');
    UsageError(option + ": unknown variable \"" + name + "\" (temp, ph, ionic, metal1 .. metal6)");
}

// VAR:LOW:HIGH.
TAxisRange ParseAxis(const std::string& text, const std::string& option) {
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos || text.find(':', second + 1) != std::string::npos)
        UsageError(option + ": expected VAR:LOW:HIGH, got \"" + text + "\"");
    TAxisRange axis;
    axis.Variable = ParseVariable(text.substr(0, first), option);
    const std::string low = text.substr(first + 1, second - first - 1);
    const std::string high = text.substr(second + 1);
    // A metal axis runs over a concentration, which cannot be negative.
    const bool metal = MetalSlotOfAxis(axis.Variable) != 0;
    axis.Low = metal ? ConcentrationOrUsage(low, option) : NumberOrUsage(low, option);
    axis.High = metal ? ConcentrationOrUsage(high, option) : NumberOrUsage(high, option);
    return axis;
}

// A metal axis must name a slot that holds a metal, as the axis dialog offers only those.
void CheckMetalSlot(const TSolution& solution, const TAxisRange& axis, const std::string& option) {
    const int slot = MetalSlotOfAxis(axis.Variable);
    if (slot != 0 && !AxisMetalShown(solution, slot))
        UsageError(option + ": metal" + std::to_string(slot) + " is an empty metal slot in this work file");
}

void Sweep(Context& c, const SweepOptions& o) {
    SweepState& s = c.sweep;
    if (o.bmpGiven && o.bmp.empty()) UsageError("--bmp needs a file name");
    const TAxisRange x = ParseAxis(o.x, "--x");
    const bool threeD = !o.z.empty();
    const TAxisRange z = threeD ? ParseAxis(o.z, "--z") : TAxisRange{};

    if (!LoadWorkSettings(o.workFile, c.table, c.selection, c.calc, c.messages).Loaded()) {
        c.status = 1;
        return;
    }
    CheckMetalSlot(c.calc.Solution, x, "--x");
    if (threeD) CheckMetalSlot(c.calc.Solution, z, "--z");

    std::unique_ptr<ImageCanvas> picture;
    if (!o.bmp.empty()) {
        std::string error;
        picture = LoadImageCanvas(error);
        if (!picture) {
            c.messages.Message("Cannot draw the bitmap: " + error, "ERROR");
            c.status = 1;
            return;
        }
    }

    s.XAxis = x;
    if (threeD) s.ZAxis = z;
    if (!RunSweepCommand(s, c.calc, threeD, c.messages, RunPrecision(c))) {
        c.status = 1;
        return;
    }
    if (picture) {
        DrawGraph(s, *picture);
        std::string error;
        if (!SaveBmp(o.bmp, picture->Pixels(), error)) {
            c.messages.Message("Cannot write " + o.bmp + ": " + error, "ERROR");
            c.status = 1;
            return;
        }
    }
    WriteSweepTable(s, ReportPlacement::Replace, c.report);
    c.PrintResult([&] { return SweepCsv(s); }, [&] { return SweepJson(s, c.messages.Shown()); });
}

}  // namespace

void AddSweepCommand(CLI::App& app, Context& context) {
    static SweepOptions o;
    CLI::App* cmd = app.add_subcommand(
        "sweep",
        "The calculation of a work file repeated over a range of one condition (41 points) or two "
        "(--z: 11 x 11 points); prints the sweep table and can save the graph as a bitmap");
    cmd->add_option("WORK", o.workFile,
                    "work settings file (.STG); the constants file it names is found as given, beside "
                    "the work file, or in the bundled data folder")
        ->required();
    cmd->add_option("--x", o.x,
                    "X axis VAR:LOW:HIGH; VAR is temp, ph, ionic or metal1 .. metal6 (a metal's "
                    "free concentration in type total, its total otherwise)")
        ->required();
    cmd->add_option("--z", o.z, "Z axis VAR:LOW:HIGH, for a 3D sweep");
    CLI::Option* bmp = cmd->add_option("--bmp", o.bmp, "also save the graph as a 633 x 433 Windows bitmap");
    AddFormatOption(*cmd, context);
    AddRefineOption(*cmd, context,
                    "refine every point to machine precision; the table marks points that even the "
                    "refinement could not solve");
    cmd->callback([&context, bmp] {
        o.bmpGiven = bmp->count() > 0;
        Sweep(context, o);
    });
}

}  // namespace dedodiz::cli
