# SPDX-License-Identifier: BSD-3-Clause
"""An equilibrium program of its own, to check what the C++ program computes from the outside.

It shares no code with the program and never calls it: it reads the constants file and the pH buffer
file itself, corrects the constants itself and solves the mass balances by its own Newton iteration.
What it shares is the model, taken from the published formulas the program is built on:

- constants are stored for 20 C and 0.1 N and corrected to the tube's temperature and ionic
  equivalents by a Debye-Hueckel term with the linear 0.25 I term (weighted 2 z1 z2 by the charges of
  the reacting species) and a van 't Hoff term (weighted by the reaction enthalpy);
- a chelator L of n protonation steps carries -n (0 for a cationic chelator, whose table name ends in
  '+' in seventh place), binds up to four protons (HL .. H4L, cumulative constants K1..Kk) and forms ML
  (M + L) and MHL (M + HL) with every metal;
- [H+] is 10^-pH divided by an empirical activity factor of temperature and ionic strength;
- a pH buffer has up to three pKa, each brought to 20 C, then to the ionic strength (Debye-Hueckel from
  a thermodynamic value, or a linear coefficient), then to the temperature; it binds no metal.

Concentrations are in mol/L, constants log10, temperatures in degrees C, ionic strengths in N.
"""

import math
from dataclasses import dataclass, field

import numpy as np

REF_TEMP = 20.0  # [C] of the stored constants
REF_IONIC = 0.1  # [N] of the stored constants


# --- Corrections -------------------------------------------------------------------------------------

def debye_huckel_term(t, ionic):
    """A (sqrt I / (1 + sqrt I) - 0.25 I), A from the dielectric constant of water at t [C]."""
    epsilon = 87.7251 - 0.3974762 * t + 0.0008253 * t * t
    a = 1.8246e6 / ((273.16 + t) * epsilon) ** 1.5
    s = math.sqrt(ionic)
    return (s / (s + 1) - 0.25 * ionic) * a


def correct_constant(z1, z2, reverse, dh, t, ionic, log_k0, t0=REF_TEMP, i0=REF_IONIC):
    """log K at (t, ionic) from log_k0 at (t0, i0): the ionic term 2 z1 z2 (DH(t0,i0) - DH(t,i)), of
    opposite sign for a cationic ligand, and van 't Hoff with dH [kcal/mol] (R ln 10 = 0.00457652)."""
    delta = 2 * z1 * z2 * (debye_huckel_term(t0, i0) - debye_huckel_term(t, ionic))
    x = log_k0 - delta if reverse else log_k0 + delta
    return x + dh * (1 / (t0 + 273) - 1 / (t + 273)) / 0.00457652


def corrected(log_k, z1, z2, reverse, dh, t, ionic):
    """A stored constant brought to the run's conditions; 0 (no such species) stays 0, and conditions
    within 0.01 C and 0.0001 N of the reference keep the stored value."""
    if log_k == 0:
        return 0.0
    if abs(t - REF_TEMP) < 0.01 and abs(ionic - REF_IONIC) < 0.0001:
        return log_k
    return correct_constant(z1, z2, reverse, dh, t, ionic, log_k)


def hydrogen_activity_factor(t, ionic):
    """The empirical fit of the activity factor of H+ over temperature and ionic strength."""
    a = 0.522932 * math.exp(0.0327016 * t) + 4.015942
    return 0.145045 * math.exp(-a * ionic) + 0.063546 * math.exp(-43.97704 * ionic) + 0.695634


def hydrogen_conc(ph, t, ionic):
    return 10.0 ** -ph / hydrogen_activity_factor(t, ionic)


def log_kw(t):
    """log10 of the ion product of water, Harned and Owen (1958): -4470.99/T + 6.0875 - 0.01706 T [K]."""
    tk = t + 273.15
    return -4470.99 / tk + 6.0875 - 0.01706 * tk


def hydroxide_conc(ph, t, ionic):
    """[OH-] = Kw / (a_H gamma_OH), with OH- given the activity factor of H+."""
    return 10.0 ** (log_kw(t) + ph) / hydrogen_activity_factor(t, ionic)


# --- Tables ------------------------------------------------------------------------------------------

def _number(token):
    try:
        return float(token[:20]) if token[:20] == token[:20].rstrip() else 0.0
    except ValueError:
        return 0.0


@dataclass
class Chelator:
    name: str
    log_kh: list  # log10 stepwise protonation constants K1..K4, 0 = absent
    dh: list  # [kcal/mol] their enthalpies
    metals: dict = field(default_factory=dict)  # metal name -> (log K ML, log K MHL, dH ML, dH MHL)

    @property
    def steps(self):
        """n: the protonation constants above 0.001, wherever they stand."""
        return sum(1 for k in self.log_kh if k > 0.001)

    @property
    def cationic(self):
        return len(self.name) == 7 and self.name[6] == "+"

    @property
    def stem(self):
        return "".join(c for c in self.name if c.isalpha())


def read_constants(path):
    """The text constants file: '%' comment lines, then twelve blocks of a chelator line ('!NAME, H1..H4,
    dH1..dH4,') and nine metal lines ('#Mt2, ML, MHL, dML, dMHL, comment'). The metal names of the
    first block name the metals of every block."""
    with open(path, encoding="latin-1") as f:
        lines = [ln.rstrip("\r\n") for ln in f]
    lines = [ln for ln in lines if ln and not ln.startswith("%")]
    chelators = {}
    metal_names = None
    for b in range(12):
        head = lines[b * 10][1:].split(",")
        values = [_number(v) for v in head[1:9]]
        metal_rows = [lines[b * 10 + m][1:].split(",", 5) for m in range(1, 10)]
        if metal_names is None:
            metal_names = [row[0][:3] for row in metal_rows]
        ch = Chelator(head[0][:7], values[:4], values[4:8])
        for name, row in zip(metal_names, metal_rows):
            ch.metals[name] = tuple(_number(v) for v in row[1:5])
        if ch.name != "=======":
            chelators[ch.name] = ch
    return chelators


@dataclass
class BufferSlot:
    name: str
    pka: list  # highest first; <= 0: no such step
    dpka: list  # [1/C]
    ipka: list  # [N] at which each pKa was measured; <= 0.001: a thermodynamic value
    dipka: list  # [1/N]
    temperature: list  # [C] at which each pKa was measured
    anionic: bool

    @property
    def steps(self):
        return sum(1 for p in self.pka if p > 0)


def read_buffers(path):
    """The pH buffer file: '%' comment lines, then one line per buffer: NAME, pKa1..3, dpKa1..3,
    ipKa1..3, dipKa1..3, temperature1..3, T (anionic) or F, comment."""
    slots = {}
    with open(path, encoding="latin-1") as f:
        for line in f:
            line = line.rstrip("\r\n")
            if not line or line.startswith("%") or line.startswith("!"):
                continue
            parts = line.split(",")
            v = [_number(x) for x in parts[1:16]]
            slots[parts[0][:15]] = BufferSlot(parts[0][:15], v[0:3], v[3:6], v[6:9], v[9:12], v[12:15],
                                              parts[16][:1] == "T")
    return slots


def buffer_pka(slot, t, ionic):
    """Each pKa to 20 C by its coefficient, to the ionic strength at 20 C, then to t; 0 where absent."""
    out = []
    for k in range(3):
        pka20 = slot.pka[k]
        if slot.temperature[k] != 20:
            pka20 += (20 - slot.temperature[k]) * slot.dpka[k]
        if slot.ipka[k] <= 0.001:
            pka_i = correct_constant(1, 1, not slot.anionic, 0, 20, ionic, pka20, 20, 0.001)
        else:
            pka_i = pka20 + (ionic - slot.ipka[k]) * slot.dipka[k]
        p = pka_i + (t - 20) * slot.dpka[k]
        out.append(0.0 if p <= 0 or slot.pka[k] <= 0 else p)
    return out


# --- Species and their balances ----------------------------------------------------------------------

def ion_label(name, charge):
    if charge == 0:
        return name
    return name + (str(abs(charge)) if abs(charge) > 1 else "") + ("+" if charge > 0 else "-")


def valence(metal):
    return int(metal[2])


@dataclass
class Species:
    label: str
    charge: int
    log_beta: float  # log10 of the conditional formation constant from the free components, at this h
    stoich: dict  # component -> count
    protons: int = 0  # protons bound, against the fully deprotonated ligand


def chelator_species(ch, metals, t, ionic, h):
    """The species of one chelator with the metals present, with log10 of their formation constants
    from the free ligand L and the free metals at this [H+] (conditional on h, which is fixed)."""
    n, rev = ch.steps, ch.cationic
    z_l = 0 if rev else -n
    log_k = [corrected(ch.log_kh[k], max(0, n - k), 1, rev, ch.dh[k], t, ionic) for k in range(4)]
    out = [Species(ion_label(ch.stem, z_l), z_l, 0.0, {ch.name: 1})]
    cumulative = 0.0
    for k in range(1, 5):
        if log_k[k - 1] == 0:  # a missing step ends the chain: no higher protonated form
            break
        cumulative += log_k[k - 1]
        out.append(Species(ion_label("H" + (str(k) if k > 1 else "") + ch.stem, z_l + k), z_l + k,
                           cumulative + k * math.log10(h), {ch.name: 1}, k))
    for m in metals:
        z = valence(m)
        ml, mhl, dml, dmhl = ch.metals[m]
        symbol = m[:2]
        k_ml = corrected(ml, n, z, rev, dml, t, ionic)
        k_mhl = corrected(mhl, abs(n - 1), z, rev, dmhl, t, ionic)
        if k_ml != 0:
            out.append(Species(ion_label(symbol + ch.stem, z_l + z), z_l + z, k_ml, {ch.name: 1, m: 1}))
        if k_mhl != 0 and log_k[0] != 0:  # M + HL: HL from L with K1
            out.append(Species(ion_label(symbol + "H" + ch.stem, z_l + z + 1), z_l + z + 1,
                               k_mhl + log_k[0] + math.log10(h), {ch.name: 1, m: 1}, 1))
    return out


def solve(species, totals, tol=1e-12, max_iter=200):
    """Free components from their totals: Newton's method on x = ln(free component), with
    c_s = beta_s prod free^a_s and the balances sum_s a_s,k c_s = total_k, to |residual| <= tol total_k.
    The Jacobian d(balance_k)/dx_l = sum_s a_s,k a_s,l c_s is symmetric positive definite."""
    comps = [c for c, v in totals.items() if v > 0]
    idx = {c: i for i, c in enumerate(comps)}
    live = [s for s in species if all(c in idx for c in s.stoich)]
    a = np.zeros((len(live), len(comps)))
    for r, s in enumerate(live):
        for c, k in s.stoich.items():
            a[r, idx[c]] = k
    ln_beta = np.array([s.log_beta * math.log(10) for s in live])
    total = np.array([totals[c] for c in comps])
    x = np.log(total)  # every component free: far off, but the damped steps below get there
    for _ in range(max_iter):
        conc = np.exp(ln_beta + a @ x)
        resid = a.T @ conc - total
        if np.all(np.abs(resid) <= tol * total):
            return {s.label: (s, c) for s, c in zip(live, conc)}
        jac = (a * conc[:, None]).T @ a
        step = np.linalg.solve(jac, -resid)
        # A step of more than a factor e^2 in any free level overshoots far from the answer.
        x += step * min(1.0, 2.0 / max(np.max(np.abs(step)), 1e-300))
    raise ArithmeticError("no convergence: residuals " + repr(resid / total))


def tube_species(chelators, metals, t, ph, ionic, chelator_totals, metal_totals):
    """Every species of the chelators and metals at the given totals: {label: (charge, conc, protons)}."""
    h = hydrogen_conc(ph, t, ionic)
    species = [Species(ion_label(m[:2], valence(m)), valence(m), 0.0, {m: 1}) for m in metal_totals]
    for name in chelator_totals:
        species += chelator_species(chelators[name], list(metal_totals), t, ionic, h)
    found = solve(species, {**chelator_totals, **metal_totals})
    return {label: (s.charge, c, s.protons) for label, (s, c) in found.items()}


def buffer_species(slot, t, ph, ionic, total):
    """The forms of a pH buffer at the tube's [H+]: step k binds the k-th proton (highest pKa first)
    to the fully dissociated form, which carries -steps (anionic) or 0 (cationic)."""
    pka = buffer_pka(slot, t, ionic)
    ph_c = -math.log10(hydrogen_conc(ph, t, ionic))
    steps = sum(1 for p in pka if p > 0)
    terms, log_term = [1.0], 0.0
    for k in range(1, steps + 1):
        log_term += pka[k - 1] - ph_c
        terms.append(10.0 ** log_term)
    out = {}
    for k, term in enumerate(terms):
        z = k - steps if slot.anionic else k
        out[ion_label(slot.name, z)] = (z, total * term / sum(terms), k)
    return out
