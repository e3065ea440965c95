// SPDX-License-Identifier: BSD-3-Clause
#include "core/RecipeForms.h"

#include <array>
#include <cctype>

namespace dedodiz {

namespace {

// The monovalent cations a salt may carry, as the program writes them.
constexpr std::array<std::string_view, 8> kCations = {"K", "Na", "Cs", "Li", "Rb", "NH4", "NMDG", "TEA"};
// The monovalent anions a metal salt may carry.
constexpr std::array<std::string_view, 9> kAnions = {"Cl", "Br",        "I",         "NO3",      "MeSO3",
                                                     "Ac", "Gluconate", "Aspartate", "Glutamate"};
constexpr std::array<std::string_view, 5> kReagents = {"KOH", "NaOH", "CsOH", "LiOH", "HCl"};
constexpr std::array<std::string_view, 3> kOsmolytes = {"sucrose", "mannitol", "glucose"};

// Lower case without blanks, hyphens, underscores and brackets: the name as compared.
std::string Key(std::string_view text) {
    std::string key;
    for (const char c : text) {
        if (c == ' ' || c == '-' || c == '_' || c == '(' || c == ')' || c == '\t') continue;
        key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return key;
}

// The letters of a name before its valence digit or '+': "Ca" of "Ca2", "TPEN" of "TPEN  +".
std::string Stem(std::string_view name) {
    std::string stem;
    for (const char c : name)
        if (std::isalpha(static_cast<unsigned char>(c))) stem += c;
    return stem;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Reads a count of one digit (none: 1) at the start of text.
int TakeCount(std::string_view& text) {
    if (!text.empty() && std::isdigit(static_cast<unsigned char>(text.front()))) {
        const int n = text.front() - '0';
        text.remove_prefix(1);
        return n;
    }
    return 1;
}

template <std::size_t N>
std::string Joined(const std::array<std::string_view, N>& names) {
    std::string text;
    for (const std::string_view n : names) text += (text.empty() ? "" : ", ") + std::string(n);
    return text;
}

// The cation a key starts with (longest match first, so "nmdg" is not "n..."), and the rest.
std::optional<std::string_view> LeadingCation(std::string_view& key) {
    std::optional<std::string_view> best;
    for (const std::string_view c : kCations)
        if (StartsWith(key, Key(c)) && (!best || c.size() > best->size())) best = c;
    if (best) key.remove_prefix(best->size());
    return best;
}

AddedForm Salt(std::string text, std::string_view ion, int charge, int count, int protons) {
    return {std::move(text), std::string(ion), charge, count, protons};
}

// "K2H2EGTA" for 2 K and 2 H on EGTA.
std::string SaltText(std::string_view cation, int count, int protons, std::string_view stem) {
    std::string text(cation);
    if (count > 1) text += std::to_string(count);
    if (protons > 0) text += "H" + (protons > 1 ? std::to_string(protons) : std::string());
    return text + std::string(stem);
}

}  // namespace

std::string IonLabel(std::string_view name, int charge) {
    if (charge == 0) return std::string(name);
    const int size = charge < 0 ? -charge : charge;
    return std::string(name) + (size > 1 ? std::to_string(size) : std::string()) + (charge > 0 ? "+" : "-");
}

std::optional<AddedForm> ChelatorForm(std::string_view typed, std::string_view chelator, int nProtons,
                                      bool cationic) {
    const std::string stem = Stem(chelator);
    const std::string key = Key(typed);
    if (cationic) {
        if (key == "free" || key == "freebase" || key == "base" || key == Key(stem))
            return Salt("free base", "", 0, 0, 0);
        return std::nullopt;
    }
    if (key == "free" || key == "freeacid" || key == "acid" ||
        key == "h" + std::to_string(nProtons) + Key(stem))
        return Salt("free acid", "", 0, 0, nProtons);
    std::string_view rest = key;
    const std::optional<std::string_view> cation = LeadingCation(rest);
    if (!cation) return std::nullopt;
    const int count = TakeCount(rest);
    int protons = nProtons - count;
    if (!rest.empty() && rest.front() == 'h' && Key(stem).front() != 'h') {
        rest.remove_prefix(1);
        const int given = TakeCount(rest);
        if (given != protons) return std::nullopt;
    }
    if (rest != Key(stem) || count < 1 || protons < 0) return std::nullopt;
    return Salt(SaltText(*cation, count, protons, stem), *cation, +1, count, protons);
}

AddedForm DefaultChelatorForm(std::string_view chelator, int nProtons, bool cationic) {
    if (cationic) return Salt("free base", "", 0, 0, 0);
    const std::string stem = Stem(chelator);
    const std::string key = Key(stem);
    if ((key == "atp" || key == "adp" || key == "edta") && nProtons >= 2)
        return Salt(SaltText("Na", 2, nProtons - 2, stem), "Na", +1, 2, nProtons - 2);
    return Salt("free acid", "", 0, 0, nProtons);
}

std::string ChelatorFormsText(std::string_view chelator, int nProtons, bool cationic) {
    const std::string stem = Stem(chelator);
    if (cationic) return "free base";
    return "free acid, or a salt of " + Joined(kCations) + " such as " +
           SaltText("K", 2, nProtons - 2, stem) + " or " + SaltText("Na", nProtons, 0, stem);
}

std::optional<AddedForm> MetalForm(std::string_view typed, std::string_view metal, int valence) {
    const std::string stem = Stem(metal);
    std::string key = Key(typed);
    if (!StartsWith(key, Key(stem))) return std::nullopt;
    key.erase(0, stem.size());
    if (valence > 1) {
        if (key.empty() || key.back() != static_cast<char>('0' + valence)) return std::nullopt;
        key.pop_back();
    }
    for (const std::string_view anion : kAnions)
        if (key == Key(anion)) {
            const bool bracket = anion.size() > 2 && valence > 1;
            const std::string text = stem + (bracket ? "(" : "") + std::string(anion) + (bracket ? ")" : "") +
                                     (valence > 1 ? std::to_string(valence) : std::string());
            return Salt(text, anion, -1, valence, 0);
        }
    return std::nullopt;
}

AddedForm DefaultMetalForm(std::string_view metal, int valence) {
    return *MetalForm(Stem(metal) + "Cl" + (valence > 1 ? std::to_string(valence) : std::string()), metal,
                      valence);
}

std::string MetalFormsText(std::string_view metal, int valence) {
    const std::string stem = Stem(metal);
    const std::string n = valence > 1 ? std::to_string(valence) : std::string();
    return stem + "Cl" + n + " or another salt of " + Joined(kAnions) + " such as " + stem + "(MeSO3)" + n;
}

std::optional<AddedForm> BufferForm(std::string_view typed, std::string_view buffer, int steps,
                                    bool anionic) {
    const std::string key = Key(typed);
    const std::string name = Key(buffer);
    if (key == "free" || key == (anionic ? "freeacid" : "freebase") || key == (anionic ? "acid" : "base") ||
        key == name)
        return BufferSaltForm(buffer, 0, steps, anionic);
    if (!anionic) {
        if (key == name + "hcl" || key == name + "cl") return BufferSaltForm(buffer, 1, steps, anionic);
        return std::nullopt;
    }
    std::string_view rest = key;
    const std::optional<std::string_view> cation = LeadingCation(rest);
    if (!cation) return std::nullopt;
    const int count = TakeCount(rest);
    if (rest != name || count > steps) return std::nullopt;
    return Salt(SaltText(*cation, count, 0, buffer), *cation, +1, count, steps - count);
}

AddedForm BufferSaltForm(std::string_view buffer, int saltForm, int steps, bool anionic) {
    if (saltForm == 0) return Salt(anionic ? "free acid" : "free base", "", 0, 0, anionic ? steps : 0);
    if (anionic) return Salt(SaltText("K", saltForm, 0, buffer), "K", +1, saltForm, steps - saltForm);
    return Salt(std::string(buffer) + "HCl", "Cl", -1, saltForm, saltForm);
}

std::string BufferFormsText(std::string_view buffer, bool anionic) {
    const std::string b(buffer);
    return anionic ? "free acid, or a salt of " + Joined(kCations) + " such as Na" + b + " or K" + b
                   : "free base, or " + b + "HCl";
}

std::optional<SaltIons> OneToOneSalt(std::string_view typed) {
    const std::string key = Key(typed);
    std::string_view rest = key;
    const std::optional<std::string_view> cation = LeadingCation(rest);
    if (!cation || rest.empty() || std::isdigit(static_cast<unsigned char>(rest.front())))
        return std::nullopt;
    for (const char c : rest)
        if (std::isdigit(static_cast<unsigned char>(c)) && rest != "meso3" && rest != "no3")
            return std::nullopt;
    for (const std::string_view anion : kAnions)
        if (rest == Key(anion)) return SaltIons{std::string(*cation), std::string(anion)};
    // Any other anion keeps the name it was typed with, after the cation.
    std::string typedKey;
    for (const char c : typed)
        if (c != ' ' && c != '-' && c != '_') typedKey += c;
    return SaltIons{std::string(*cation), typedKey.substr(cation->size())};
}

std::optional<AddedForm> PHReagent(std::string_view typed) {
    const std::string key = Key(typed);
    for (const std::string_view r : kReagents)
        if (key == Key(r)) {
            if (r == "HCl") return Salt("HCl", "Cl", -1, 1, 1);
            return Salt(std::string(r), r.substr(0, r.size() - 2), +1, 1, 0);
        }
    return std::nullopt;
}

bool IsAcid(const AddedForm& reagent) {
    return reagent.ionCharge < 0;
}

std::optional<std::string> Osmolyte(std::string_view typed) {
    const std::string key = Key(typed);
    for (const std::string_view o : kOsmolytes)
        if (key == o) return std::string(o);
    return std::nullopt;
}

std::string CationNames() {
    return Joined(kCations);
}
std::string PHReagentNames() {
    return Joined(kReagents);
}
std::string OsmolyteNames() {
    return Joined(kOsmolytes);
}

}  // namespace dedodiz
