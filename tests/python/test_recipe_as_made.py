# SPDX-License-Identifier: BSD-3-Clause
"""The tubes of a recipe as a bench would make them, checked from outside the recipe: the totals
follow from the pipetted volumes alone, every element's species add up to its total, and the
solution of those totals, run as any solution is run at the tube's ionic strength, holds the free
levels and the complexes the recipe printed (the mass-action law of each complex with the run's
conditional constant). The README's force-pCa series: 7 mM EGTA 97 %, 1 mM free Mg, KCl top-up.

Then the same series with ATP, HEPES and every option of a recipe, solved by an equilibrium program
of its own (independent_equilibrium.py) from the volumes and the forms the recipe names: the free
levels, every species, the base, the charge balance, both ionic figures and the osmolarity."""

import json
import os
import re
import subprocess

import pytest

import independent_equilibrium as ie

CLI = os.environ.get("DEDODIZ_CLI")
pytestmark = pytest.mark.skipif(not CLI, reason="needs the command-line tool (DEDODIZ_CLI)")


def cli_json(arguments):
    out = subprocess.run([CLI, *arguments, "--format", "json"], check=True, capture_output=True, text=True).stdout
    return json.loads(out)


def species_sum(species, part):
    return sum(s["conc_M"] for s in species if part in s["name"])


def test_each_tube_holds_what_the_recipe_printed():
    recipe = cli_json(["recipe", "--type", "total", "--temp", "22", "--ph", "7.0", "--ionic", "0.18",
                       "--chelator", "EGTA=7e-3", "--metal", "Ca2=1e-7", "--metal", "Mg2=1e-3",
                       "--volume", "10mL", "--stock", "EGTA=100mM", "--purity", "EGTA=0.97",
                       "--stock", "Ca2=100mM", "--stock", "Mg2=1M", "--topup", "KCl=3M",
                       "--series", "Ca2=pX:9:4.5:1.5"])
    stock = {i["name"]: i["stock_M"] * i["purity"] for i in recipe["ingredients"]}
    assert [i["form"] for i in recipe["ingredients"][:3]] == ["free acid", "CaCl2", "MgCl2"]
    for tube in recipe["solutions"]:
        v = tube["volumes_uL"]
        made = {name: v[name] * stock[name] / 10_000 for name in stock}  # [M] in 10 mL
        species = tube["species"]
        # Every element's species add up to what was pipetted: the chelator, the metals, the counter-ions.
        assert species_sum(species, "EGTA") == pytest.approx(made["EGTA"], rel=1e-9)
        assert species_sum(species, "Ca") == pytest.approx(made["Ca2"], rel=1e-9)
        assert species_sum(species, "Mg") == pytest.approx(made["Mg2"], rel=1e-9)
        assert species_sum(species, "K+") == pytest.approx(made["KCl"] + made["KOH"], rel=1e-9)
        assert species_sum(species, "Cl-") == pytest.approx(2 * made["Ca2"] + 2 * made["Mg2"] + made["KCl"],
                                                          rel=1e-9)
        # Those totals, run at the tube's ionic strength, give the free levels the recipe printed.
        run = cli_json(["run", "--type", "free", "--temp", "22", "--ph", "7.0",
                        "--ionic", repr(tube["ionic_strength_N"]), "--precision", "exact",
                        "--chelator", f"EGTA={made['EGTA']!r}",
                        "--metal", f"Ca2={made['Ca2']!r}", "--metal", f"Mg2={made['Mg2']!r}"])
        free = {m["name"]: m["free_M"] for m in run["metals"]}
        conc = {s["name"]: s["conc_M"] for s in species}
        assert free["Ca2"] == pytest.approx(tube["wanted_free_M"], rel=1e-5)
        assert conc["Ca2+"] == pytest.approx(free["Ca2"], rel=1e-5)
        assert conc["Mg2+"] == pytest.approx(free["Mg2"], rel=1e-5)
        # The run's conditional constant (at this pH: the free chelator in all its protonation forms) is
        # the ratio of the recipe's species.
        ligand = sum(c for name, c in conc.items() if "EGTA" in name and not name.startswith(("Ca", "Mg")))
        for pair in run["pairs"]:
            metal = pair["metal"].rstrip("2")
            kc = conc[f"{metal}EGTA2-"] / (conc[metal + "2+"] * ligand)
            assert kc == pytest.approx(10 ** pair["log_Kc_ML"], rel=1e-5)


# The README's force-pCa series with every option of a recipe, twice: the chelator as a salt, a calcium
# contamination and KCl aiming at the ionic equivalents; then the chelator and the buffer as salts that
# carry no protons, so that acid sets the pH, both metals contaminated, KMeSO3 aiming at the ionic
# strength 1/2 sum c z^2 and sucrose making up the osmolarity.
FORCE_PCA = ["recipe", "--type", "total", "--temp", "22", "--ph", "7.0", "--ionic", "0.18",
             "--chelator", "EGTA=7e-3", "--chelator", "ATP=5e-3",
             "--metal", "Ca2=1e-9", "--metal", "Mg2=1e-3",
             "--volume", "10mL", "--stock", "EGTA=100mM", "--purity", "EGTA=97%", "--stock", "ATP=100mM",
             "--stock", "Ca2=100mM", "--stock", "Mg2=1M", "--buffer", "HEPES=20mM", "--stock", "HEPES=1M",
             "--series", "Ca2=pX:9:4.5:0.5"]
EVERY_OPTION = {
    "salt, contamination, equivalents": [
        "--topup", "KCl=3M", "--form", "EGTA=K2H2EGTA", "--base", "KOH=1M", "--contamination", "Ca2=2uM",
        "--ionic-target", "0.18"],
    "acid, strength, osmolyte": [
        "--topup", "KMeSO3=3M", "--form", "EGTA=K4EGTA", "--form", "HEPES=NaHEPES", "--acid", "HCl=1M",
        "--base", "NaOH=500mM", "--contamination", "Ca2=1uM", "--contamination", "Mg2=5uM",
        "--ionic-strength-target", "0.18", "--osmolyte", "sucrose=1M", "--osmolarity-target", "350mOsm"],
}
CATIONS = ("NMDG", "TEA", "NH4", "Na", "Cs", "Li", "Rb", "K")


def formula(text):
    """'K2H2' -> {'K': 2, 'H': 2}, '(MeSO3)2' -> {'MeSO3': 2}: the groups of a salt's formula."""
    return {group or element: int(n or m or 1)
            for group, n, element, m in re.findall(r"\(([^)]+)\)(\d*)|([A-Z][a-z]*)(\d*)", text)}


def with_stock(ingredient, chelators, buffers):
    """What one mole of an ingredient brings beside its own substance, read from its name and form
    alone: ({counter-ion label: count}, protons it carries against the fully deprotonated form)."""
    name, form, kind = ingredient["name"], ingredient["form"] or "", ingredient["kind"]
    if kind in ("chelator", "pH_buffer"):
        stem = chelators[name].stem if kind == "chelator" else name
        steps = chelators[name].steps if kind == "chelator" else buffers[name].steps
        anionic = not chelators[name].cationic if kind == "chelator" else buffers[name].anionic
        if form.startswith("free"):
            return {}, steps if anionic else 0
        if form.startswith(stem):  # the salt of a cationic buffer with an acid: TrisHCl
            anion = form[len(stem) + 1:]
            return {ie.ion_label(anion, -1): 1}, 1
        groups = formula(form[:-len(stem)])
        # A salt names its protons (K2H2EGTA) or takes one off the free acid for each cation (K2Phosphate).
        protons = groups.pop("H") if "H" in groups else steps - sum(groups.values())
        return {ie.ion_label(c, +1): k for c, k in groups.items()}, protons
    if kind == "metal":
        return {ie.ion_label(a, -1): k for a, k in formula(form[2:]).items()}, 0
    if kind in ("base", "topup_salt"):
        cation = next(c for c in CATIONS if name.startswith(c))
        rest = name[len(cation):]
        return ({ie.ion_label(cation, +1): 1} if rest == "OH" else
                {ie.ion_label(cation, +1): 1, ie.ion_label(rest, -1): 1}), 0
    if kind == "acid":
        return {ie.ion_label(name[1:], -1): 1}, 0
    return {}, 0  # the osmolyte


def as_made(recipe, tube, chelators, buffers):
    """A tube of the recipe as the independent program sees it, from the volumes alone: every species
    {label: conc [M]}, their charges, and the protons the stocks brought and the solved tube holds."""
    temp, ph = recipe["conditions"]["temperature_C"], recipe["conditions"]["pH"]
    ionic = tube["ionic_strength_N"]  # the tube is solved where the recipe says it is
    volume_ul = recipe["volume_L"] * 1e6
    made = {i["name"]: tube["volumes_uL"][i["name"]] * i["stock_M"] * i["purity"] / volume_ul
            for i in recipe["ingredients"]}
    kinds = {i["name"]: i["kind"] for i in recipe["ingredients"]}
    contamination = recipe["contamination_M"]
    metals = {m: made[m] + contamination.get(m, 0) for m in made if kinds[m] == "metal"}
    found = ie.tube_species(chelators, metals, temp, ph, ionic,
                            {c: made[c] for c in made if kinds[c] == "chelator"}, metals)
    if recipe["buffer"]:
        name = recipe["buffer"]["name"]
        found.update(ie.buffer_species(buffers[name], temp, ph, ionic, made[name]))
    conc = {label: c for label, (z, c, bound) in found.items()}
    charge = {label: z for label, (z, c, bound) in found.items()}
    held = sum(bound * c for z, c, bound in found.values())
    brought = 0.0
    # The counter-ions and protons the stocks bring (the base or acid that sets the pH among them), the
    # contamination as its chloride, H+ and OH-.
    for i in recipe["ingredients"]:
        ions, protons = with_stock(i, chelators, buffers)
        brought += protons * made[i["name"]]
        if i["kind"] == "osmolyte":
            ions = {i["name"]: 1}
        for label, k in ions.items():
            conc[label] = conc.get(label, 0) + k * made[i["name"]]
            charge[label] = (label[-1] == "+") - (label[-1] == "-")
    for m, c in contamination.items():
        conc["Cl-"] += ie.valence(m) * c
    conc["H+"], charge["H+"] = ie.hydrogen_conc(ph, temp, ionic), 1
    conc["OH-"], charge["OH-"] = ie.hydroxide_conc(ph, temp, ionic), -1
    held += conc["H+"] - conc["OH-"]
    return conc, charge, brought, held


def test_the_independent_program_reproduces_the_published_and_hand_worked_values():
    # The corrections' worked values at 20 C: the Debye-Hueckel term, an ionic and a van 't Hoff
    # correction (a cationic ligand the other way), the activity factor of H+ and [H+] at pH 7, 0.1 N.
    assert ie.debye_huckel_term(20, 0.1) == pytest.approx(0.1091352, abs=1e-7)
    for args, value in (((4, 2, False, 0, 20, 0.2, 10.0), 9.64498),
                        ((4, 1, False, -5, 37, 0.15, 9.5), 9.15712),
                        ((4, 1, True, -5, 37, 0.15, 9.5), 9.43392),
                        ((0, 1, False, -10, 30, 0.1, 5.0), 4.75388)):
        assert ie.correct_constant(*args) == pytest.approx(value, abs=1e-5)
    assert ie.hydrogen_activity_factor(20, 0.1) == pytest.approx(0.784200, abs=1e-6)
    assert ie.hydrogen_conc(7, 20, 0.1) == pytest.approx(1.27519e-7, rel=1e-5)
    # 10 mM EGTA free acid and CaCl2 at pH 7.0, 20 C, 0.1 N for 1 uM free Ca, worked by hand: CaEGTA
    # 7.3050980 mM, CaHEGTA 5.8775917 uM, and 34.645493 mM KOH to bring it to pH 7.0.
    data = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data")
    chelators = ie.read_constants(os.path.join(data, "standard.TCM"))
    ca = 1e-6 + 7.3050980e-3 + 5.8775917e-6
    found = ie.tube_species(chelators, {"Ca2": ca}, 20, 7.0, 0.1, {"EGTA": 10e-3}, {"Ca2": ca})
    assert found["Ca2+"][1] == pytest.approx(1e-6, rel=1e-7)
    assert found["CaEGTA2-"][1] == pytest.approx(7.3050980e-3, rel=1e-7)
    held = sum(bound * c for z, c, bound in found.values())
    held += ie.hydrogen_conc(7, 20, 0.1) - ie.hydroxide_conc(7, 20, 0.1)
    assert 4 * 10e-3 - held == pytest.approx(34.645493e-3, rel=1e-7)


@pytest.mark.parametrize("options", EVERY_OPTION.values(), ids=EVERY_OPTION.keys())
def test_an_independent_equilibrium_program_finds_in_each_tube_what_the_recipe_printed(options):
    data = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data")
    constants, buffer_file = os.path.join(data, "standard.TCM"), os.path.join(data, "buffers.bcm")
    recipe = cli_json([*FORCE_PCA, "--constants", constants, "--buffers", buffer_file, *options])
    chelators, buffers = ie.read_constants(constants), ie.read_buffers(buffer_file)
    assert len(recipe["solutions"]) == len(recipe["series"]["free_M"]) == 10
    for tube, wanted_ca in zip(recipe["solutions"], recipe["series"]["free_M"]):
        assert sum(tube["volumes_uL"].values()) == pytest.approx(recipe["volume_L"] * 1e6, rel=1e-12)
        conc, charge, brought, held = as_made(recipe, tube, chelators, buffers)
        # The free levels wanted, and every species the recipe lists. Where the ionic strength is
        # iterated (the ionic strength target), the recipe stops when two passes agree to 1e-7, which
        # leaves the free levels up to 1e-7 from where the printed strength puts them: hence 1e-6.
        assert conc["Ca2+"] == pytest.approx(wanted_ca, rel=1e-6)
        assert conc["Mg2+"] == pytest.approx(1e-3, rel=1e-6)
        for s in tube["species"]:
            assert conc.get(s["name"], 0) == pytest.approx(s["conc_M"], rel=1e-6, abs=1e-15), s["name"]
        assert {s["name"] for s in tube["species"]} >= {s for s, c in conc.items() if c > 1e-15}
        # The base (below 0: the acid) neutralises the protons the stocks brought beyond those the
        # solved tube holds, so the tube is neutral, its cation included.
        assert tube["base_M"] == pytest.approx(brought - held, rel=1e-6)
        assert abs(sum(conc[s] * charge[s] for s in conc)) < 1e-9
        assert 0.5 * sum(conc[s] * abs(charge[s]) for s in conc) == pytest.approx(
            tube["ionic_strength_N"], rel=1e-6)
        assert 0.5 * sum(conc[s] * charge[s] ** 2 for s in conc) == pytest.approx(
            tube["true_ionic_strength_M"], rel=1e-6)
        assert sum(conc.values()) == pytest.approx(tube["osmolarity_mOsm"] / 1000, rel=1e-6)
    # And each target is met.
    for option, key, value in (("--ionic-target", "ionic_strength_N", 0.18),
                               ("--ionic-strength-target", "true_ionic_strength_M", 0.18),
                               ("--osmolarity-target", "osmolarity_mOsm", 350)):
        if option in options:
            assert all(t[key] == pytest.approx(value, rel=1e-9) for t in recipe["solutions"])


def test_each_mix_of_the_two_end_solutions_is_neutral_at_the_ph_printed():
    data = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data")
    constants, buffer_file = os.path.join(data, "standard.TCM"), os.path.join(data, "buffers.bcm")
    recipe = cli_json([*FORCE_PCA, "--constants", constants, "--buffers", buffer_file, "--topup", "KCl=3M",
                       "--mix"])
    chelators, buffers = ie.read_constants(constants), ie.read_buffers(buffer_file)
    a, b = recipe["mixing"]["ends"]
    worst = 0.0
    for mix in recipe["solutions"]:
        va, vb = mix["volumes_uL"]["A"], mix["volumes_uL"]["B"]
        # The mix as pipetted: each stock in the share the two ends bring, and the base the mix is given
        # beside them (the calcium of B binds the EGTA of A and frees protons), as if into 10 mL.
        whole = recipe["mixing"]["mix_volume_L"] * 1e6
        shares = {i["name"]: (va * a["volumes_uL"][i["name"]] + vb * b["volumes_uL"][i["name"]]
                              + 10_000 * mix["volumes_uL"].get(i["name"], 0.0)) / whole
                  for i in recipe["ingredients"]}
        conc, charge, _, _ = as_made(recipe, {**mix, "volumes_uL": shares}, chelators, buffers)
        worst = max(worst, abs(sum(conc[s] * charge[s] for s in conc)))
    assert worst < 1e-9
