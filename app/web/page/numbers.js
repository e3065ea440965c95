// SPDX-License-Identifier: BSD-3-Clause
'use strict';
// Numbers as people type them and read them: a decimal comma or point, an optional exponent, and for
// concentrations a unit (M, mM, uM or µM, nM), typed after the number or chosen beside it. A value is
// turned into mol/L through its decimal text ("155" nM is read as "155e-9"), so that it is the same
// double the command-line tool reads from --metal Ca2=155e-9.
(() => {
  const UNITS = { M: 0, mM: -3, uM: -6, nM: -9 };
  const UNIT_NAMES = { M: 'M', mM: 'mM', uM: 'µM', nM: 'nM' };
  const NUMBER = /^([+-]?)(\d+(?:\.\d*)?|\.\d+)(?:[eE]([+-]?\d+))?$/;

  // {value} or {error}; the text may hold a unit when units are allowed.
  function parse(text, unit) {
    let t = String(text).trim().replace(/\s+/g, ' ');
    if (t === '') return { error: 'a number is needed' };
    let exponent = 0;
    if (unit !== undefined) {
      const typed = t.match(/\s?(M|mM|uM|µM|μM|nM)$/);
      if (typed) {
        t = t.slice(0, t.length - typed[0].length).trim();
        unit = typed[1].replace(/[µμ]/, 'u');
      }
      exponent = UNITS[unit];
    }
    t = t.replace(',', '.');
    const m = t.match(NUMBER);
    if (!m) return { error: `"${text}" is not a number` };
    const value = Number(`${m[1]}${m[2]}e${(m[3] ? parseInt(m[3], 10) : 0) + exponent}`);
    if (!Number.isFinite(value)) return { error: `"${text}" is out of range` };
    return { value };
  }

  // The decimal text of value [mol/L] in unit, exact: the digits of the shortest text of the double
  // with the decimal point moved, so that parse() gives back the same double. Only a text padded with many
  // zeros ("0.0000000000123") is written with an exponent instead; a fitted value keeps all its digits.
  function inUnit(value, unit) {
    if (value === 0) return '0';
    const [mantissa, exp] = value.toExponential().split('e');
    const negative = mantissa.startsWith('-');
    const digits = mantissa.replace('-', '').replace('.', '');
    const point = 1 + parseInt(exp, 10) - UNITS[unit];  // digits before the decimal point
    let text;
    if (point <= 0) text = '0.' + '0'.repeat(-point) + digits;
    else if (point >= digits.length) text = digits + '0'.repeat(point - digits.length);
    else text = digits.slice(0, point) + '.' + digits.slice(point);
    if (text.length > Math.max(14, digits.length + 2)) text = value.toExponential().replace(/e([+-]\d+)$/, (s, e) => `e${parseInt(e, 10) - UNITS[unit]}`);
    return (negative ? '-' : '') + text;
  }

  // The unit in which value reads as 1 to 999 (M for 1 M and more, and for 0; nM below 1 nM).
  function unitFor(value) {
    const a = Math.abs(value);
    if (a === 0 || a >= 1) return 'M';
    if (a >= 1e-3) return 'mM';
    if (a >= 1e-6) return 'uM';
    return 'nM';
  }

  // A concentration for the eye: three significant digits in the unit that fits ("155 nM").
  function concentration(value) {
    if (value === null || value === undefined) return '—';
    if (value === 0) return '0';
    // Rounded first, so that 999.7 uM reads as 1.00 mM rather than 1.00e+3 uM.
    const rounded = Number(value.toPrecision(3));
    const unit = unitFor(rounded);
    const scaled = rounded / Math.pow(10, UNITS[unit]);
    const text = Math.abs(scaled) < 0.01 || Math.abs(scaled) >= 1000 ? scaled.toExponential(2) : scaled.toPrecision(3);
    return `${text} ${UNIT_NAMES[unit]}`;
  }

  // A plain number for the eye with the given significant digits, or "—" for none.
  function plain(value, digits) {
    if (value === null || value === undefined) return '—';
    return Number(value.toPrecision(digits || 3)).toString();
  }

  Dedodiz.numbers = { UNITS, UNIT_NAMES, parse, inUnit, unitFor, concentration, plain };
})();
