// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Recipes: from the solution the user has set up to what goes into the tube. For one solution, or for a
// series of wanted free levels of one metal, the recipe gives the volume of every stock, the top-up salt
// that brings the ionic strength to the value the calculation assumed, and the water that makes up the
// volume; or, by the mixing method, two end solutions and the fraction of each in every mix.
//
// How the ionic strength of a tube is counted [N]:
//   I = CM-E + buffer + salt
//   - CM-E: the ionic equivalents of the solved solution (SolutionCharge), the sum a run compares with
//     its ionic strength before it asks to raise it: every charged chelator form, free metal ion and
//     complex with its monovalent counter-ions, which is also what the pH adjustment (KOH, HCl) and the
//     metal salts (chlorides) bring in;
//   - buffer: the pH buffer's own contribution at its concentration and salt form, as the buffer
//     calculator works it out (CalcBufferIonic);
//   - salt: the top-up salt, a 1:1 salt (KCl, NaCl, K methanesulfonate ...), at c brings c.
// Every solve is done at the ionic strength the tube really has. With a top-up salt that is the target:
// the solution is solved there, and the salt is what the target leaves over (none left over: the target
// is exceeded and the solution cannot be made). Without one, and in every mix of the mixing method, the
// tube's ionic strength depends on the solve: the solve is repeated at the strength the last one gave
// until the two agree.
//
// By the calculation type of the solution: Total (chelator totals and wanted free metals given: the
// metal totals follow directly), Free (every total given: the free levels follow; a series metal's total
// is searched for the wanted free level), Chelator (metal totals and the first metal's free level given:
// the chelator totals follow; a series must be of the first metal, and the mixing method does not apply,
// since the chelator it would mix is what this type computes). The free levels reported are those of the
// solution as made: in type Chelator a second solve of the pipetted totals gives them.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "buffers/BufferModel.h"
#include "engine/FixedArray.h"
#include "engine/Run.h"
#include "engine/Sinks.h"
#include "engine/State.h"

namespace dedodiz {

// A named amount: a stock concentration [mol/L], or a purity (a fraction).
struct NamedValue {
    std::string name;
    double value = 0;
};

// What the user asks for.
struct RecipeRequest {
    double volume = 0;                  // [L] of each solution (each end solution for the mixing method)
    std::vector<NamedValue> stocks;     // [mol/L] of chelators, metals and the pH buffer, by name
    std::vector<NamedValue> purity;     // chelators only: the fraction of the solid that is the chelator
    std::string buffer;                 // a pH buffer of the buffer table; empty for none
    double bufferConc = 0;              // [mol/L] of the pH buffer in each solution
    std::uint16_t bufferSaltForm = 0;   // 0 added as the free acid or base, 1..3 as a mono-, di-, tri- salt
    std::optional<double> ionicTarget;  // [N]; with a top-up salt, the solution's own strength if not given
    std::optional<NamedValue> topup;    // the top-up salt and its stock [mol/L]; none: no salt
    std::string seriesMetal;            // empty: the one solution as set up
    std::vector<double> seriesFree;     // [mol/L] the wanted free levels of seriesMetal
    bool seriesAsPX = false;            // the series was given as pX values (the reports show pX)
    std::vector<double> seriesPX;       // given as pX: the values as typed, which the Session checks
                                        // (0 .. 30) and turns into seriesFree
    bool mixing = false;                // the two-end-solution method (needs a series)
    double mixVolume = 0;               // [L] of each mix; 0: volume divided by the number of mixes
    Precision precision = Precision::Described;
};

// What an ingredient is.
enum class IngredientKind : std::uint8_t { Chelator, Metal, Buffer, Salt };

// One stock that is pipetted.
struct RecipeIngredient {
    IngredientKind kind = IngredientKind::Chelator;
    std::string name;   // as in the constants table, the buffer table, or the salt's name
    int slot = 0;       // chelator or metal slot 1..6; 0 for the buffer and the salt
    double stock = 0;   // [mol/L] as labelled
    double purity = 1;  // the real stock is stock x purity
};

// One solution of a recipe (or one mix).
struct RecipeSolution {
    double wanted = 0;               // [mol/L] the series' wanted free level; 0 without a series
    OneBased<double, 6> chelTotal;   // [mol/L] as made
    OneBased<double, 6> chelFree;    // [mol/L] all protonation forms
    OneBased<double, 6> metalTotal;  // [mol/L]
    OneBased<double, 6> metalFree;   // [mol/L] of the solution as made
    double bufferConc = 0;           // [mol/L]
    double saltConc = 0;             // [mol/L] of the top-up salt
    std::vector<double> volumes;     // [uL] one per ingredient of the recipe (0 for a mix)
    double water = 0;                // [uL]
    double ionicComplexes = 0;       // [N] CM-E, the ionic equivalents of the solved solution
    double ionicComplexesM = 0;      // [M] CM-I, its ionic strength
    double ionicBuffer = 0;          // [N]
    double ionic = 0;                // [N] the whole: CM-E + buffer + salt, the strength it was solved at
    int ionicPasses = 0;             // solves at successive ionic strengths until they agreed
    bool converged = true;           // every solve of it converged
    double fraction = -1;            // mixing: the fraction of the loaded end in the mix; < 0 otherwise
    double loadedVolume = 0;         // [uL] of the loaded end in the mix
    double unloadedVolume = 0;       // [uL] of the end without the metal
};

// How a recipe computation ended.
enum class RecipeEnd : std::uint8_t {
    Made,          // the recipe is complete
    CannotBeMade,  // "CANNOT BE MADE" and the reason were shown
    Stopped,       // a check of the run or of the pH buffer stopped it with its own "ERROR" message
    Fault,         // a floating-point fault
};

// A recipe as computed. When ok is false the solutions are empty and the messages say why.
struct Recipe {
    bool ok = false;
    RecipeEnd end = RecipeEnd::Stopped;
    std::string cannotReason;  // CannotBeMade: why, as the message gives it after "CANNOT BE MADE"
    CalculationType type = CalculationType::Total;
    TSolution base;          // the solution as set up: names, conditions, given values
    double volume = 0;       // [L]
    bool topup = false;      // a top-up salt reaches ionicTarget
    double ionicTarget = 0;  // [N] with a top-up salt
    bool refined = false;
    std::vector<RecipeIngredient> ingredients;  // chelators, metals (slot order), buffer, salt
    std::string bufferName;                     // the pH buffer, empty for none
    std::uint16_t bufferSaltForm = 0;
    int seriesSlot = 0;  // metal slot of the series, 0 without one
    bool seriesAsPX = false;
    bool mixing = false;
    double mixVolume = 0;                   // [L]
    std::vector<RecipeSolution> ends;       // mixing: [0] without the series metal, [1] loaded
    std::vector<RecipeSolution> solutions;  // one per wanted level (the mixes), or the one solution
    ShownMessages messages;                 // every message shown, in order
};

// The recipe for the solution of calc (its Solution and CalcType, which stay as they are). buffers holds
// the buffer table that request.buffer names (nullptr when none is given). Every message goes to
// messages: "ERROR" with "CANNOT BE MADE" for a recipe that cannot be made (a stock missing, the target
// ionic strength exceeded, stocks too dilute for the volume, ...), the run's own "ERROR"s (constants or
// enthalpies missing), "DIFFICULTY" when a solve did not converge. Computes under its own fault guard:
// a floating-point fault is an "ERROR" and no recipe.
Recipe MakeRecipe(const Calculation& calc, const BufferTool* buffers, const RecipeRequest& request,
                  MessageSink& messages);

// A name of a request that the solution does not hold: the list it came from ("stock", "purity",
// "series"), the name and why ("no chelator of that name in this solution").
struct UnknownRecipeName {
    std::string list;
    std::string name;
    std::string reason;
};

// The first name of request that sol does not hold, as every front end checks them before the recipe:
// a stock must name a chelator, a metal or the pH buffer, a purity a chelator, the series a metal.
// nullopt when every name is known.
std::optional<UnknownRecipeName> FindUnknownName(const TSolution& sol, const RecipeRequest& request);

// The pH buffer of the table with this name (exact, then ignoring case and blanks around it); 0 if none.
int FindBufferSlot(const BufferTool& buffers, std::string_view name);

}  // namespace dedodiz
