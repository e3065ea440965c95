// SPDX-License-Identifier: BSD-3-Clause
// sweep: the 2D or 3D sweep of a work file's solution, its graph, and the sweep table. The graph is
// drawn on the Qt image canvas only when a bitmap is asked for; the plugin is opened then and not
// before, so that the command otherwise loads no Qt library.

#include <memory>

#include "cli/Commands.h"
#include "core/Bmp.h"
#include "core/Export.h"
#include "core/Graph.h"
#include "core/Session.h"
#include "qtcanvas/CanvasLoader.h"

namespace dedodiz::cli {

namespace {

struct SweepOptions {
    SolutionOptions solution;
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

// VAR:LOW:HIGH; the values as numbers, their rules (a concentration not negative, ...) the Session's.
TAxisRange ParseAxis(const std::string& text, const std::string& option) {
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos || text.find(':', second + 1) != std::string::npos)
        UsageError(option + ": expected VAR:LOW:HIGH, got \"" + text + "\"");
    TAxisRange axis;
    axis.Variable = ParseVariable(text.substr(0, first), option);
    axis.Low = NumberOrUsage(text.substr(first + 1, second - first - 1), option);
    axis.High = NumberOrUsage(text.substr(second + 1), option);
    return axis;
}

void Sweep(Context& c, const SweepOptions& o) {
    if (o.bmpGiven && o.bmp.empty()) UsageError("--bmp needs a file name");
    SweepRequest request;
    request.x = ParseAxis(o.x, "--x");
    if (!o.z.empty()) request.z = ParseAxis(o.z, "--z");
    if (!LoadSolution(c, o.solution)) return;

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
    const Outcome outcome = c.session.Sweep(request);
    if (!c.Ran(outcome)) return;
    const SweepState& s = c.session.sweep();
    if (picture) {
        DrawGraph(s, *picture);
        std::string error;
        if (!SaveBmp(o.bmp, picture->Pixels(), error)) {
            c.messages.Message("Cannot write " + o.bmp + ": " + error, "ERROR");
            c.status = 1;
            return;
        }
    }
    for (const std::string& line : outcome.report) c.report.AddOutputLine(line);
    c.PrintResult([&] { return SweepCsv(s); }, [&] { return SweepJson(s, c.messages.Shown()); });
}

}  // namespace

void AddSweepCommand(CLI::App& app, Context& context) {
    static SweepOptions o;
    CLI::App* cmd = app.add_subcommand(
        "sweep",
        "The calculation of a work file (or of a solution given here) repeated over a range of one condition "
        "(41 points) or two "
        "(--z: 11 x 11 points); prints the sweep table and can save the graph as a bitmap");
    AddSolutionOptions(*cmd, o.solution);
    cmd->add_option("--x", o.x,
                    "X axis VAR:LOW:HIGH; VAR is temp, ph, ionic or metal1 .. metal6 (a metal's "
                    "free concentration in type total, its total otherwise)")
        ->required();
    cmd->add_option("--z", o.z, "Z axis VAR:LOW:HIGH, for a 3D sweep");
    CLI::Option* bmp = cmd->add_option("--bmp", o.bmp, "also save the graph as a 633 x 433 Windows bitmap");
    AddFormatOption(*cmd, context);
    AddPrecisionOptions(*cmd, context,
                        "every point refined to machine precision; the table marks points that even the "
                        "refinement could not solve");
    cmd->callback([&context, bmp] {
        o.bmpGiven = bmp->count() > 0;
        Sweep(context, o);
    });
}

}  // namespace dedodiz::cli
