// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Recipes: from the solution the user has set up to what goes into the tube. For one solution, or for a
// series of wanted free levels of one metal, the recipe gives the volume of every stock, the top-up salt
// that brings the ionic strength to the value the calculation assumed, and the water that makes up the
// volume; or, by the mixing method, two end solutions and the fraction of each in every mix.
//
// Every ion of a tube is counted (RecipeIons.cpp): the free metal ions, every protonation form of the
// chelators and of the pH buffer, the metal complexes, the counter-ions each stock is added with (the
// anions of the metal salts, the cations of the chelator and buffer salts, RecipeForms.h), the top-up
// salt, H+ and OH-, and the base (or acid) that brings the tube to its pH, which the proton balance gives:
// the protons the stocks carry in less those the solved tube holds. From that one count follow
//   - the ionic equivalents 1/2 sum c |z| [N], the model's ionic strength: the constants are corrected
//     to it and the top-up salt aims at it unless told otherwise;
//   - the ionic strength 1/2 sum c z^2 [M], which the top-up may aim at instead;
//   - the ideal osmolarity sum c [Osm/L], which a neutral osmolyte may bring to a target.
// Every solve is done at the ionic equivalents the tube really has. With a top-up salt aiming at the
// equivalents, the solution is solved at the target and the salt is what the target leaves over (none
// left over: the target is exceeded and the solution cannot be made). Otherwise the solve is repeated at
// the equivalents the last count gave until the two agree.
//
// A contaminating metal (what the water and the salts bring, entered per metal) is part of the totals
// the tube holds: the metal's stock brings only the rest, and a tube that needs less than the
// contamination alone cannot be made. It is counted as the chloride.
//
// By the calculation type of the solution: Total (chelator totals and wanted free metals given: the
// metal totals follow directly), Free (every total given: the free levels follow; a series metal's total
// is searched for the wanted free level), Chelator (metal totals and the first metal's free level given:
// the chelator totals follow; a series must be of the first metal, and the mixing method does not apply,
// since the chelator it would mix is what this type computes). The free levels reported are those of the
// solution as made: in type Chelator a second solve of the pipetted totals gives them.

#include <cstdint>
#include <functional>
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

// The form a stock is added in, by the name of its chelator, metal or pH buffer: "EGTA" "K2H2EGTA".
struct NamedForm {
    std::string name;
    std::string form;
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
    std::optional<double> ionicStrengthTarget;  // [M] 1/2 sum c z^2 for the top-up instead of ionicTarget
    std::vector<NamedForm> forms;               // how chelators, metals and the pH buffer are added;
                                                // RecipeForms.h's defaults for the others
    std::optional<NamedValue> base;             // the base that sets the pH and its stock; KOH 1 M if none
    std::optional<NamedValue> acid;             // the acid where one is needed; HCl 1 M if none
    std::vector<NamedValue> contamination;      // [mol/L] by metal, in the totals of every solution
    std::optional<NamedValue> osmolyte;         // a neutral osmolyte and its stock [mol/L]
    std::optional<double> osmolarityTarget;     // [Osm/L] reached with the osmolyte
    std::string seriesMetal;                    // empty: the one solution as set up
    std::vector<double> seriesFree;             // [mol/L] the wanted free levels of seriesMetal
    bool seriesAsPX = false;                    // the series was given as pX values (the reports show pX)
    std::vector<double> seriesPX;               // given as pX: the values as typed, which the Session checks
                                                // (0 .. 30) and turns into seriesFree
    bool mixing = false;                        // the two-end-solution method (needs a series)
    std::optional<double> mixVolume;  // [L] of each mix; none: volume divided by the number of mixes
    Precision precision = Precision::Described;
    // Asked between the solutions of a series; true ends the recipe early, without a result (stopped).
    // A front end whose user may stop a long series (Ctrl-C in Python) answers it; empty: never stopped.
    std::function<bool()> stop;
};

// What an ingredient is.
enum class IngredientKind : std::uint8_t { Chelator, Metal, Buffer, Salt, Base, Acid, Osmolyte };

// One stock that is pipetted.
struct RecipeIngredient {
    IngredientKind kind = IngredientKind::Chelator;
    std::string name;   // as in the constants table, the buffer table, or the salt's name
    int slot = 0;       // chelator or metal slot 1..6; 0 for the buffer and the salt
    double stock = 0;   // [mol/L] as labelled
    double purity = 1;  // the real stock is stock x purity
    std::string form;   // as it is added: "free acid", "K2H2EGTA", "CaCl2", "NaHEPES"; empty for the rest
};

// One dissolved species of a tube: "Ca2+", "H2EGTA2-", "CaEGTA2-", "HEPES-", "K+", "sucrose".
struct RecipeIon {
    std::string name;
    int charge = 0;
    double conc = 0;       // [mol/L]
    bool counter = false;  // an ion a stock is added with (K+, Na+, Cl-, ...), the top-up's, the base's
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
    double base = 0;                 // [mol/L] of the base that sets the pH; below 0: of the acid
    double osmolyteConc = 0;         // [mol/L]
    std::vector<RecipeIon> ions;     // every species counted: the ions, then the neutral ones
    double ionicStrength = 0;        // [M] 1/2 sum c z^2 over ions
    double osmolarity = 0;           // [Osm/L] sum c over ions, ideal
    double chargeBalance = 0;        // [M] sum c z over ions: 0 but for rounding
    std::vector<double> volumes;     // [uL] one per ingredient of the recipe (0 for a mix)
    double water = 0;                // [uL]
    double ionicComplexes = 0;       // [N] CM-E, the ionic equivalents of the solved solution
    double ionicComplexesM = 0;      // [M] CM-I, its ionic strength
    double ionic = 0;                // [N] the ionic equivalents 1/2 sum c |z|, the strength it was solved at
    int ionicPasses = 0;             // solves at successive ionic strengths until they agreed
    bool converged = true;           // every solve of it converged
    double fraction = -1;            // mixing: the fraction of the loaded end in the mix; < 0 otherwise
    double loadedVolume = 0;         // [uL] of the loaded end in the mix
    double unloadedVolume = 0;       // [uL] of the end without the metal
    double mixBase = 0;  // [mol/L] mixing: the base (below 0: acid) the mix needs beside the ends'
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
    TSolution base;                     // the solution as set up: names, conditions, given values
    double volume = 0;                  // [L]
    bool topup = false;                 // a top-up salt reaches ionicTarget
    double ionicTarget = 0;             // [N] with a top-up salt; [M] when strengthTarget
    bool strengthTarget = false;        // the top-up aims at 1/2 sum c z^2, not at the equivalents
    double osmolarityTarget = 0;        // [Osm/L]; 0 without an osmolyte
    OneBased<double, 6> contamination;  // [mol/L] by metal slot
    std::string baseName, acidName;     // the reagents that set the pH
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
