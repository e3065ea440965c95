// SPDX-License-Identifier: BSD-3-Clause
// run and convert: the single-point run from a work file or from the command line, and the
// conversion of a constants file between its text and binary kinds.

#include <algorithm>
#include <iostream>
#include <optional>

#include "cli/Commands.h"
#include "core/Export.h"
#include "core/Session.h"

namespace dedodiz::cli {

namespace {

void Run(Context& c, const SolutionOptions& o) {
    if (!LoadSolution(c, o)) return;
    const Outcome outcome = c.session.Run();
    if (!c.Ran(outcome)) return;
    const std::optional<double> refined = outcome.refined ? std::optional(outcome.residual) : std::nullopt;
    const Session& s = c.session;
    c.PrintResult([&] { return RunCsv(s.calc(), refined); },
                  [&] { return RunJson(s.calc(), s.ConstantsFileName.view(), c.messages.Shown(), refined); });
}

}  // namespace

void AddRunCommand(CLI::App& app, Context& context) {
    static SolutionOptions o;
    CLI::App* run = app.add_subcommand("run", "Single-point run of a work file, or of a solution given here");
    AddSolutionOptions(*run, o);
    AddFormatOption(*run, context);
    AddPrecisionOptions(*run, context,
                        "the answer always refined to machine precision; the report says so in its second "
                        "line");
    run->callback([&context] { Run(context, o); });
}

void AddConvertCommand(CLI::App& app, Context& context) {
    static std::string in, out;
    CLI::App* convert = app.add_subcommand(
        "convert",
        "Read a constants file and write it in the kind OUT's name selects (.TCM text, .CCM binary)");
    convert->add_option("IN", in, "constants file to read")->required();
    convert->add_option("OUT", out, "constants file to write")->required();
    convert->callback([&context] {
        if (!context.Ran(context.session.LoadConstants(in))) return;
        const Outcome saved = context.session.SaveConstants(out);
        // The writer's "Did not save file" does not say why; the tool adds the reason.
        if (!context.Ran(saved) && saved.status == Status::FileError && !saved.reason.empty() &&
            std::none_of(saved.messages.begin(), saved.messages.end(), [&](const ShownMessage& m) {
                return m.text.find(saved.reason) != std::string::npos;
            }))
            std::cerr << "dedodiz32-cli: " << saved.reason << '\n';
    });
}

}  // namespace dedodiz::cli
