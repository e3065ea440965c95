// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The forms in which the stocks of a recipe are added, and what each brings into the tube beside its own
// substance. A metal comes as a salt of a monovalent anion (CaCl2, Mg(MeSO3)2), a chelator as its free
// acid or a salt of a monovalent cation (K2H2EGTA, Na2ATP), the pH buffer as its free acid (free base for
// a cationic one) or a salt (NaHEPES, TrisHCl), the top-up salt as any 1:1 salt of a known cation
// (KCl, NaCl, KMeSO3, CsGluconate), the pH set with a hydroxide (KOH, NaOH, CsOH, LiOH) or HCl, and the
// osmolarity with a neutral osmolyte (sucrose, mannitol, glucose).
//
// Names are read without regard to case, blanks, hyphens and brackets: "k-gluconate", "Ca(MeSO3)2".

#include <optional>
#include <string>
#include <string_view>

namespace dedodiz {

// What one mole of a stock's substance brings with it.
struct AddedForm {
    std::string text;   // as the report names it: "free acid", "K2H2EGTA", "CaCl2", "NaHEPES"
    std::string ion;    // the counter-ion it is added with: "K", "Na", "Cl", ...; empty for none
    int ionCharge = 0;  // +1 for a cation, -1 for an anion
    int ionCount = 0;   // counter-ions per mole of the substance
    int protons = 0;    // protons the substance carries as added (chelators, the pH buffer)
};

// The ion's name with its charge for a report: "K+", "Cl-", "Ca2+", "HEPES-".
std::string IonLabel(std::string_view name, int charge);

// A chelator of nProtons protonation steps (the free ligand carries -nProtons, or 0 for a cationic
// chelator whose name ends in '+'), named chelator: the form as typed, or nullopt when it is none of
// "free acid" ("free base" for a cationic one), "H4EGTA" or a salt "K2H2EGTA", "Na2ATP".
std::optional<AddedForm> ChelatorForm(std::string_view typed, std::string_view chelator, int nProtons,
                                      bool cationic);
// The default: the disodium salt of ATP, ADP and EDTA, as they are sold; the free acid (free base) of
// every other chelator.
AddedForm DefaultChelatorForm(std::string_view chelator, int nProtons, bool cationic);
// The forms a chelator may be named in, for a refusal: "free acid, or a salt such as K2H2EGTA, Na2EGTA
// (cations K, Na, Cs, Li, ...)".
std::string ChelatorFormsText(std::string_view chelator, int nProtons, bool cationic);

// A metal of this name ("Ca2"): "CaCl2", "Ca(MeSO3)2", ...; nullopt for anything else.
std::optional<AddedForm> MetalForm(std::string_view typed, std::string_view metal, int valence);
// The chloride.
AddedForm DefaultMetalForm(std::string_view metal, int valence);
std::string MetalFormsText(std::string_view metal, int valence);

// A pH buffer of `steps` dissociation steps: "free" / "free acid" (anionic) / "free base" (cationic),
// or a salt: "NaHEPES", "K2Phosphate" (anionic: a cation for each proton taken), "TrisHCl" (cationic).
std::optional<AddedForm> BufferForm(std::string_view typed, std::string_view buffer, int steps, bool anionic);
// The salt form 0..3 as the buffer calculator counts it (free, mono-, di-, tri-salt) with K+ for an
// anionic buffer and Cl- for a cationic one.
AddedForm BufferSaltForm(std::string_view buffer, int saltForm, int steps, bool anionic);
std::string BufferFormsText(std::string_view buffer, bool anionic);

// A 1:1 salt: a known monovalent cation followed by any anion ("KCl", "KMeSO3", "CsGluconate"); the
// cation in ion, the anion's name in text's remainder. nullopt when no known cation starts the name.
struct SaltIons {
    std::string cation;
    std::string anion;
};
std::optional<SaltIons> OneToOneSalt(std::string_view typed);

// A base or acid that sets the pH: ion is its cation (KOH: K) or anion (HCl: Cl), ionCharge its sign.
std::optional<AddedForm> PHReagent(std::string_view typed);
bool IsAcid(const AddedForm& reagent);

// A neutral osmolyte: its name as the program writes it ("sucrose"); nullopt for an unknown one.
std::optional<std::string> Osmolyte(std::string_view typed);

// The known names, for refusals: "K, Na, Cs, Li, Rb, NH4, NMDG, TEA", "KOH, NaOH, CsOH, LiOH, HCl",
// "sucrose, mannitol, glucose".
std::string CationNames();
std::string PHReagentNames();
std::string OsmolyteNames();

}  // namespace dedodiz
