// SPDX-License-Identifier: BSD-3-Clause
// Every ion of a recipe's tube: the species of the solved solution, the counter-ions of the stocks, and
// the base that brings the tube to its pH, from the proton balance.
//
// Proton balance, against the fully deprotonated chelators and pH buffer, the metal ions and water:
//   protons brought = sum over chelators and the buffer of (protons of the added form) x total + acid
//   protons held    = sum over their forms of (protons bound) x c + MHL complexes + [H+] - [OH-]
//   base            = brought - held   (below 0: the acid that is needed)
// The charge of every species follows the same reference (a free ligand of n protonation steps carries
// -n, one whose name ends in '+' carries 0; a complex the metal's charge more, MHL one more still), so
// the tube's charge balance sum c z = 0 holds whenever the mass balances do: the balance checks the count.

#include <cmath>

#include "buffers/BufferModel.h"
#include "core/RecipeInput.h"
#include "core/RecipeMaker.h"
#include "core/Rules.h"
#include "engine/FloatGuard.h"
#include "engine/Solver.h"

namespace dedodiz::recipe {

namespace {

// log10 of the ion product of water [mol2/L2], Harned and Owen's fit over 0 to 60 C:
// log Kw = -4470.99 / T + 6.0875 - 0.01706 T (T in K); 13.995 at 25 C.
double LogKw(double celsius) {
    const double T = celsius + 273.15;
    return -4470.99 / T + 6.0875 - 0.01706 * T;
}

// The ions counted so far, one entry per name and charge.
class Tally {
  public:
    explicit Tally(std::vector<RecipeIon>& ions) : ions_(ions) {}
    void Add(const std::string& name, int charge, double conc, bool counter = false) {
        if (conc == 0) return;
        for (RecipeIon& ion : ions_)
            if (ion.charge == charge && ion.name == name) {
                ion.conc += conc;
                return;
            }
        ions_.push_back({name, charge, conc, counter});
    }
    // The counter-ions of amount [mol/L] of a substance added in form.
    void AddCounterIons(const AddedForm& form, double amount) {
        if (form.ionCount > 0)
            Add(IonLabel(form.ion, form.ionCharge), form.ionCharge, form.ionCount * amount, true);
    }

  private:
    std::vector<RecipeIon>& ions_;
};

std::string Protonated(int protons, const std::string& stem) {
    if (protons == 0) return stem;
    return "H" + (protons > 1 ? std::to_string(protons) : std::string()) + stem;
}

std::string Letters(std::string_view name) {
    std::string stem;
    for (const char c : name)
        if (std::isalpha(static_cast<unsigned char>(c))) stem += c;
    return stem;
}

}  // namespace

void Maker::ResolveForms() {
    const RecipeRequest& r = request_;
    const auto formOf = [&](std::string_view name) -> const std::string* {
        const std::string* found = nullptr;
        for (const NamedForm& f : r.forms)
            if (SameName(f.name, name)) found = &f.form;
        return found;
    };
    for (int i = 1; i <= kSlots; ++i) {
        if (base_.ChelName[i] == kEmptyChelator) continue;
        const std::string name = base_.ChelName[i].str();
        const int n = base_.ChelCharge[i];
        const bool cationic = base_.PlusName[i];
        chelForm_[i] = DefaultChelatorForm(name, n, cationic);
        if (const std::string* typed = formOf(name)) {
            const std::optional<AddedForm> form = ChelatorForm(*typed, name, n, cationic);
            if (!form)
                throw CannotMake{"No form " + *typed + " of " + name + ": it is added as the " +
                                 ChelatorFormsText(name, n, cationic)};
            chelForm_[i] = *form;
        }
    }
    for (int j = 1; j <= kSlots; ++j) {
        if (base_.MetalName[j] == kEmptyMetal) continue;
        const std::string name = base_.MetalName[j].str();
        const int z = base_.MetalValence[j];
        metalForm_[j] = DefaultMetalForm(name, z);
        if (const std::string* typed = formOf(name)) {
            const std::optional<AddedForm> form = MetalForm(*typed, name, z);
            if (!form)
                throw CannotMake{"No form " + *typed + " of " + name + ": it is added as " +
                                 MetalFormsText(name, z)};
            metalForm_[j] = *form;
        }
    }
    if (bufferSlot_ != 0) {
        const TBufferSlot& slot = buffers_.BufferSlots[bufferSlot_];
        const int steps = SlotValence(buffers_, bufferSlot_);
        bufferForm_ = BufferSaltForm(r.buffer, r.bufferSaltForm, steps, slot.anionic);
        if (const std::string* typed = formOf(r.buffer)) {
            const std::optional<AddedForm> form = BufferForm(*typed, r.buffer, steps, slot.anionic);
            if (!form)
                throw CannotMake{"No form " + *typed + " of " + r.buffer + ": it is added as the " +
                                 BufferFormsText(r.buffer, slot.anionic)};
            bufferForm_ = *form;
        }
    }
    ResolveReagents();
}

void Maker::ResolveReagents() {
    const RecipeRequest& r = request_;
    const auto reagent = [&](const std::optional<NamedValue>& given, const char* fallback, bool acid) {
        const std::string name = given ? given->name : fallback;
        const std::optional<AddedForm> form = PHReagent(name);
        if (!form || IsAcid(*form) != acid)
            throw CannotMake{"No " + std::string(acid ? "acid " : "base ") + name +
                             " is known: " + PHReagentNames()};
        return *form;
    };
    baseForm_ = reagent(r.base, "KOH", false);
    acidForm_ = reagent(r.acid, "HCl", true);
    if (r.topup) {
        const std::optional<SaltIons> ions = OneToOneSalt(r.topup->name);
        if (!ions)
            throw CannotMake{"The top-up salt must be a 1:1 salt such as KCl, NaCl or KMeSO3: " +
                             r.topup->name + " is none of a known cation (" + CationNames() + ")"};
        salt_ = *ions;
    }
    if (r.osmolyte) {
        const std::optional<std::string> name = Osmolyte(r.osmolyte->name);
        if (!name) throw CannotMake{"No osmolyte " + r.osmolyte->name + " is known: " + OsmolyteNames()};
        osmolyte_ = *name;
        osmTarget_ = r.osmolarityTarget.value_or(0);
    }
    for (const NamedValue& c : r.contamination) {
        const int j = SolutionMetalSlot(base_, c.name);
        if (j == 0)
            throw CannotMake{"A contamination is given for " + c.name +
                             ", which is no metal of this solution"};
        contamination_[j] = c.value;
    }
}

void Maker::CountChelators(const Point& p, std::vector<RecipeIon>& ions, double& brought,
                           double& held) const {
    Tally tally(ions);
    for (int i = 1; i <= kSlots; ++i) {
        if (base_.ChelName[i] == kEmptyChelator || !(p.chelTotal[i] > 0)) continue;
        const std::string stem = Letters(base_.ChelName[i].view());
        const int zL = base_.PlusName[i] ? 0 : -static_cast<int>(base_.ChelCharge[i]);
        for (int k = 0; k <= 4; ++k) {
            const double c = p.chelFree[i] * p.fraction[i][k];
            if (c == 0) continue;
            tally.Add(IonLabel(Protonated(k, stem), zL + k), zL + k, c);
            held += k * c;
        }
        for (int j = 1; j <= kSlots; ++j) {
            if (base_.MetalName[j] == kEmptyMetal) continue;
            const int z = base_.MetalValence[j];
            const std::string metal = Letters(base_.MetalName[j].view());
            tally.Add(IonLabel(metal + stem, zL + z), zL + z, p.ml[i][j]);
            tally.Add(IonLabel(metal + "H" + stem, zL + z + 1), zL + z + 1, p.mhl[i][j]);
            held += p.mhl[i][j];
        }
        brought += chelForm_[i].protons * p.chelTotal[i];
        tally.AddCounterIons(chelForm_[i], p.chelTotal[i]);
    }
}

void Maker::CountBuffer(const Point& p, double I, std::vector<RecipeIon>& ions, double& brought,
                        double& held) const {
    if (bufferSlot_ == 0) return;
    Tally tally(ions);
    const double T = base_.Temperature;
    // The buffer's forms from its pKa at I, highest first: step k binds the k-th proton to the fully
    // dissociated form, against the [H+] the chelators see (10^-pH / G, the solver's), so that one
    // proton concentration holds in the tube. Not the buffer calculator's pH - log10 G: that would put
    // the buffer 2 log10 G (about 0.2) pH units away and its protons, and the base, far off.
    const TBufferSlot& slot = buffers_.BufferSlots[bufferSlot_];
    const OneBased<double, 3> pKa = CorrectBufferPKa(buffers_, bufferSlot_, slot.anionic ? 0 : 1, T, I);
    int steps = 0;
    while (steps < 3 && pKa[steps + 1] > 0) ++steps;
    const double pHc = -std::log10(p.hydrogen);
    FixedArray<double, 0, 3> term{};
    double sum = 0, logTerm = 0;
    for (int k = 0; k <= steps; ++k) {
        if (k > 0) logTerm += pKa[k] - pHc;
        term[k] = k == 0 ? 1 : checked::Pow10(logTerm);
        sum += term[k];
    }
    const double B = share_ * request_.bufferConc;
    for (int k = 0; k <= steps; ++k) {
        const double c = B * term[k] / sum;
        const int z = slot.anionic ? k - steps : k;
        tally.Add(IonLabel(request_.buffer, z), z, c);
        held += k * c;
    }
    brought += bufferForm_.protons * B;
    tally.AddCounterIons(bufferForm_, B);
}

Count Maker::CountIons(const Point& p, double I, const Additions& added) const {
    Count count;
    count.ions.reserve(48);
    Tally tally(count.ions);
    const double T = base_.Temperature;
    double brought = 0;  // [mol/L] protons
    double held = 0;

    for (int j = 1; j <= kSlots; ++j) {
        if (base_.MetalName[j] == kEmptyMetal) continue;
        const int z = base_.MetalValence[j];
        tally.Add(IonLabel(Letters(base_.MetalName[j].view()), z), z, p.metalFree[j]);
    }
    CountChelators(p, count.ions, brought, held);
    for (int j = 1; j <= kSlots; ++j) {
        if (base_.MetalName[j] == kEmptyMetal) continue;
        // The contamination came in with the water and the salts, counted as its chloride.
        tally.AddCounterIons(metalForm_[j], p.metalTotal[j] - share_ * contamination_[j]);
        tally.AddCounterIons(DefaultMetalForm(base_.MetalName[j].view(), base_.MetalValence[j]),
                             share_ * contamination_[j]);
    }
    CountBuffer(p, I, count.ions, brought, held);
    // Water: [OH-] from Kw and the activities of H+ and OH- (the same factor for both).
    const double gamma = HydrogenActivityFactor(T, I);
    const double hydroxide = checked::Pow10(LogKw(T) + base_.PH) / gamma;
    held += p.hydrogen - hydroxide;
    count.base = brought - held;
    if (count.base >= 0) {
        tally.AddCounterIons(baseForm_, count.base);
    } else {
        tally.AddCounterIons(acidForm_, -count.base);
    }
    if (added.salt > 0) {
        tally.Add(salt_.cation + "+", +1, added.salt, true);
        tally.Add(salt_.anion + "-", -1, added.salt, true);
    }
    tally.Add("H+", +1, p.hydrogen);
    tally.Add("OH-", -1, hydroxide);
    if (added.osmolyte > 0) tally.Add(osmolyte_, 0, added.osmolyte);

    for (const RecipeIon& ion : count.ions) {
        const double z = ion.charge;
        count.equivalents += 0.5 * ion.conc * std::abs(z);
        count.strength += 0.5 * ion.conc * z * z;
        count.osmolarity += ion.conc;
        count.chargeBalance += ion.conc * z;
    }
    return count;
}

}  // namespace dedodiz::recipe
