# SPDX-License-Identifier: BSD-3-Clause
"""The tubes of a recipe as a bench would make them, checked from outside the recipe: the totals
follow from the pipetted volumes alone, every element's species add up to its total, and the
solution of those totals, run as any solution is run at the tube's ionic strength, holds the free
levels and the complexes the recipe printed (the mass-action law of each complex with the run's
conditional constant). The README's force-pCa series: 7 mM EGTA 97 %, 1 mM free Mg, KCl top-up."""

import json
import os
import subprocess

import pytest

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
