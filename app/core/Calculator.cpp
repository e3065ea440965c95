// SPDX-License-Identifier: BSD-3-Clause
#include "core/Calculator.h"

#include <cctype>
#include <map>

#include "core/OutputText.h"
#include "core/RecipeInput.h"
#include "files/ConstantsFile.h"

namespace dedodiz {

namespace {

std::string Lower(std::string_view s) {
    std::string t(s);
    for (char& ch : t) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return t;
}

// Table number (1..count) of a name; names compare exactly, then ignoring case.
template <typename NameOf>
int FindName(std::string_view wanted, int count, std::string_view marker, NameOf nameOf) {
    if (wanted == marker) return 0;
    for (int k = 1; k <= count; ++k)
        if (nameOf(k) == wanted) return k;
    for (int k = 1; k <= count; ++k)
        if (Lower(nameOf(k)) == Lower(wanted)) return k;
    return 0;
}

// Forgets every message it is given.
class NoMessages : public MessageSink {
  public:
    void Message(std::string_view, std::string_view) override {}
};

}  // namespace

int FindChelator(const ConstantsTable& table, std::string_view name) {
    return FindName(name, kTableChelators, kEmptyChelator,
                    [&](int k) { return table.Constants[k].Name.view(); });
}

int FindMetal(const ConstantsTable& table, std::string_view name) {
    return FindName(name, kTableMetals, kEmptyMetal,
                    [&](int k) { return table.Constants[1].MetalName[k].view(); });
}

int SolutionChelatorSlot(const TSolution& solution, std::string_view name) {
    for (int k = 1; k <= kSlots; ++k)
        if (solution.ChelName[k] != kEmptyChelator && SameName(solution.ChelName[k].view(), name)) return k;
    return 0;
}

int SolutionMetalSlot(const TSolution& solution, std::string_view name) {
    for (int k = 1; k <= kSlots; ++k)
        if (solution.MetalName[k] != kEmptyMetal && SameName(solution.MetalName[k].view(), name)) return k;
    return 0;
}

DescribeResult DescribeSolution(const ConstantsTable& table, const SolutionInput& entered,
                                Selection& selection, Calculation& calc, MessageSink& messages) {
    if (entered.chelators.size() > kSlots || entered.metals.size() > kSlots)
        return {"at most six chelators and six metals"};
    std::map<int, const SolutionInput::Chelator*> chelators;  // table number -> its values, the last given
    std::map<int, const SolutionInput::Metal*> metals;
    for (const SolutionInput::Chelator& c : entered.chelators) {
        const int k = FindChelator(table, c.name);
        if (k == 0) return {"no chelator \"" + c.name + "\" in " + table.ConstantsFileName.str()};
        chelators[k] = &c;
    }
    for (const SolutionInput::Metal& m : entered.metals) {
        const int k = FindMetal(table, m.name);
        if (k == 0) return {"no metal \"" + m.name + "\" in " + table.ConstantsFileName.str()};
        metals[k] = &m;
    }

    calc.CalcType = entered.type;
    TSolution& sol = calc.Solution;
    sol.Temperature = entered.temperature;
    sol.PH = entered.pH;
    sol.IonicEquiv = entered.ionic;
    selection.ChelatorChosen.fill(false);
    selection.MetalChosen.fill(false);
    for (const auto& entry : chelators) selection.ChelatorChosen[entry.first] = true;
    for (const auto& entry : metals) selection.MetalChosen[entry.first] = true;
    if (!BuildSelection(table, selection, sol, messages))
        return {"a chosen metal has no valence digit in its name"};

    // The slots hold the chosen entries in table order.
    for (int slot = 1; slot <= kSlots; ++slot) {
        if (const int k = selection.ChosenChelator[slot]; k != 0) sol.ChelTotal[slot] = chelators[k]->total;
        const int m = selection.ChosenMetal[slot];
        if (m == 0) continue;
        const SolutionInput::Metal& metal = *metals[m];
        switch (entered.type) {
            case CalculationType::Total:
                sol.MetalFree[slot] = metal.free;
                break;
            case CalculationType::Free:
                sol.MetalTotal[slot] = metal.total;
                break;
            case CalculationType::Chelator:
                sol.MetalTotal[slot] = metal.total;
                sol.MetalFree[slot] = metal.free;
                break;
        }
    }
    return {};
}

FileResult LoadTable(const std::string& path, ConstantsTable& table, MessageSink& messages) {
    ConstantsTable read = table;
    FileResult result = ReadConstantsFile(read, path, messages);
    if (!result.ok()) return result;
    read.ConstantsFileName = path;
    table = read;
    return result;
}

Solved Solve(const ConstantsTable& table, const SolutionInput& entered, MessageSink* messages,
             Precision precision) {
    NoMessages none;
    MessageSink& sink = messages != nullptr ? *messages : none;
    Solved solved;
    ConstantsTable empty;
    NewCalculation(empty, solved.selection, solved.calc);
    solved.described = DescribeSolution(table, entered, solved.selection, solved.calc, sink);
    if (!solved.described.ok()) return solved;
    OutputText output;
    solved.outcome = RunSinglePoint(solved.calc, table.ConstantsFileName.view(), ReportPlacement::Replace,
                                    output, sink, precision);
    return solved;
}

}  // namespace dedodiz
