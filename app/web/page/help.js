// SPDX-License-Identifier: BSD-3-Clause
'use strict';
// Help in the page: how to read the report line by line, the three calculations, the precisions, the
// terms of the recipe and of the uncertainty, and the calibration's experiment and results. The
// report's closing line links here.
(() => {
  const { el } = Dedodiz;

  const section = (id, title, ...body) => el('section', { class: 'help', id: 'help-' + id, 'aria-labelledby': `help-${id}-title` },
    el('h3', { id: `help-${id}-title`, text: title }), ...body);
  const p = (text) => el('p', { text });
  const terms = (rows) => el('dl', { class: 'terms' }, rows.flatMap(([term, text]) => [el('dt', {}, el('code', { text: term })), el('dd', { text })]));

  function build(panel) {
    panel.append(
      el('p', { class: 'intro', text: 'Everything on this page is computed in the page itself; nothing is sent anywhere. The report of every tab is the one the desktop program and dedodiz32-cli write, line for line.' }),
      el('nav', { 'aria-label': 'Help topics', class: 'help-topics' }, el('ul', {},
        [['report', 'Reading the report'], ['types', 'The calculations'], ['precision', 'Precision'], ['recipe', 'Recipe'],
          ['uncertainty', 'Uncertainty'], ['calibrate', 'Calibration'], ['page', 'Links, memory and files']].map(([id, text]) =>
          el('li', {}, el('a', { href: '#help-' + id, onclick: (e) => { e.preventDefault(); panel.querySelector('#help-' + id).scrollIntoView(); } }, text))))),
      section('report', 'Reading the report',
        p('A report is plain text in columns, every concentration in mol/L (M) written as 1.55E-07M. Line by line:'),
        terms([
          ['pH 7.20  Temp. 20.0 C  (Ionic) 0.100 N', 'The conditions you entered: the pH, the temperature in °C and the ionic strength in equivalents per litre.'],
          ['CM-I 0.009 N', 'The ionic strength that the chelators, metals and complexes of the solved solution contribute themselves.'],
          ['CM-E 0.006 N', 'Their ionic equivalents. When CM-E exceeds the ionic strength you entered, the run warns "RAISE IONIC STRENGTH": the medium must carry more ions than the buffer adds.'],
          ['-------- (second line)', 'Dashes when the answer is the iteration\'s own; "EXACT: REFINED TO A MASS-BALANCE RESIDUAL OF ..." when it was solved again exactly (see Precision).'],
          ['Chelator / Total / Free', 'Every chelator with its total and its free (uncomplexed) concentration.'],
          ['Metal / Total / Free', 'Every metal with its total and its free concentration; in type Total the total is computed, in type Free the free, in type Chelator the chelator total.'],
          ['CHELATOR METAL COMPLEXES', 'The concentration of every complex: a metal name alone is the complex ML, the name followed by H the protonated complex MHL.'],
          ['Final Mixed Constants adjusted for temp,(ionic)', 'The protonation constants (log K of H1, H2, ...) of every chelator, corrected to your temperature and ionic strength.'],
          ['Association Constants and Kd\'s adjusted for pH,temp,(ionic)', 'For every chelator and metal: EGTA-ML and -MHL, the log of the conditional constants of ML and MHL at your pH; -Kd(M), the apparent dissociation constant in mol/L.'],
          ['buffer?', 'Where the free metal F lies against the Kd: GOOD between Kd/√10 and Kd·√10 (the metal is buffered); > RANGE above Kd·√10 and >>RANGE above 10·Kd (small errors in the totals change F a lot: more chelator, or one of higher affinity); < RANGE below Kd/√10 and <<RANGE below Kd/10 (safer than above; a chelator of lower affinity would buffer better).'],
          ['Free metal concentration must be in "GOOD" range ...', 'The rule above, and the range Kd/sqrt(10) to Kd*sqrt(10).'],
          ['DEDODIZ32 v... using standard.TCM', 'The program\'s version and the constants table the numbers come from.'],
          ['Help > Contents explains this report ...', 'This page. Quote the whole report when you report a problem.'],
        ]),
        p('Messages before the report say what to watch: "BUFFERING OUT OF RANGE" when no chelator holds a metal in range, "RAISE IONIC STRENGTH", a pH out of the constants\' range, missing enthalpies at another temperature. "ERROR" messages stop a run and nothing is shown.')),
      section('types', 'The calculations',
        terms([
          ['Free metal from the total metal', 'You give the total of every chelator and metal; the free metals (and free chelators) are computed.'],
          ['Total metal for a wanted free metal', 'You give the chelator totals and the free level you want of each metal; the total metal to add is computed.'],
          ['Chelator needed', 'You give the metal totals and the free level of the first metal; the total of the chelator that holds it there is computed.'],
          ['Sweep', '2D repeats the calculation at 41 points while one condition (temperature, pH, ionic strength or a metal) runs over a range; 3D uses two conditions on an 11 × 11 grid.'],
          ['Chelator evaluation', 'Which chelator of the table buffers each metal best at the conditions given: its Kd and the free levels it buffers.'],
          ['pH buffers', 'The useful range (pKa′ ± 0.5) of every buffer of the buffer file, the pKa′ corrected to the temperature and ionic strength.'],
        ])),
      section('precision', 'Precision',
        p('The program\'s iteration stops when its steps become small, not when the mass balances are met, and can be per cent off. The Precision menu of the Solution tab says how every tab solves:'),
        terms([
          ['checked (the default)', 'The answer is checked against the mass balances and, where any concentration would be off by more than 1 part in 10 000, solved again exactly; the report\'s second line then says so, and a sweep marks with * a point that even the refinement could not solve.'],
          ['described', 'The iteration\'s answer alone, as the program always gave it.'],
          ['exact', 'Always solved again to machine precision.'],
        ])),
      section('recipe', 'Recipe',
        p('What to pipette for the solution of the Solution tab, or for a series of free levels of one of its metals:'),
        terms([
          ['Final volume', 'The volume of each solution made (10 mL, 500 µL).'],
          ['Stock', 'The concentration of the stock of every chelator and metal (100 mM, 1 M). A number needs its unit, typed or chosen beside it.'],
          ['Purity', 'The fraction of a chelator\'s stock that really is chelator (0.97 or 97 %).'],
          ['pH buffer', 'A buffer of the buffer table, its concentration in the solution, its stock and the form it is added in (free, or a mono-, di- or tri- salt).'],
          ['Top up with a 1:1 salt', 'The salt (KCl) and its stock that bring the ionic strength to the target; left empty, the target is the ionic strength of the solution. Without a top-up the ionic strength is what the solution brings.'],
          ['Series', 'The free levels of one metal: pX from, to and step (pCa 9 to 4.5 in 0.5), a list of pX, or a list of concentrations.'],
          ['Mixing two end solutions', 'One solution without the series metal (A) and one with the first chelator loaded by it (B), and for every level the volumes of A and B in a mix of the mix volume.'],
          ['CANNOT BE MADE', 'The chelators and metals alone bring more than the target ionic strength, or a stock is too dilute for the volume: raise the target or the stock, or lower the concentrations.'],
        ]),
        p('The table gives the volumes in µL, the free levels of each solution as made and its ionic strength; every solution is solved at the ionic strength it really has.')),
      section('uncertainty', 'Uncertainty',
        p('How far to trust the results: every uncertain input is varied at random within its standard uncertainty and every sample solved again.'),
        terms([
          ['Standard uncertainties', 'Of the pH, the temperature, the ionic strength (relative), the stored log K of protonation, of ML and of MHL, the enthalpies (relative) and the totals you pipette (relative). 0 switches an input off.'],
          ['Purity', 'The fraction of each chelator\'s reagent that is chelator, and its uncertainty.'],
          ['Contamination', 'The metal that water and salts bring beyond the total given, and its uncertainty, each with its unit (2 uM); 0 leaves it out. "Use in the uncertainty" of the Calibrate tab fills the purity and the contamination from a fit.'],
          ['Samples, seed', 'How many samples (2000 by default); the same seed always gives the same numbers.'],
          ['Median, 95 % range', 'The middle of the samples, and the range in which 95 % of them lie.'],
          ['Shares of the spread', 'The part of each result\'s spread that each input causes, largest first: the input with the largest share is the one to measure better.'],
          ['left out', 'Samples whose solve did not converge or stopped with a fault; they are counted and left out.'],
          ['Histogram', 'The samples of a result in bins: red the single-point value, green the median, blue the 95 % range.'],
        ])),
      section('calibrate', 'Calibration',
        p('The purity of the chelator, the metal that water and salts bring (contamination) and the apparent Kd at your conditions, fitted to a titration, each with its 95 % interval. Every calculated buffer rests on these three numbers, and none of them can be looked up: EGTA is sold partly hydrated, batches differ, and the Kd depends on your pH, temperature and ionic strength.'),
        p('The experiment: one solution per row, all at the pH, temperature and ionic strength given in the tab, each read with a metal electrode (mV) or its free level measured otherwise (free_M, e.g. with an indicator).'),
        terms([
          ['Standards', 'Rows without chelator (chelator_total_M 0): the metal alone calibrates the electrode. Measure at least two, better three to five, a decade apart (10 uM, 100 uM, 1 mM of the metal alone).'],
          ['Buffer points', 'One or two chelator totals (1 to 2 mM) with metal totals from 10 % to 95 % of the chelator, 10 to 15 of them, so that the free metal spans Kd/10 to 10 Kd (pCa about one unit either side of the pKd).'],
          ['How many rows', 'More rows than the parameters fitted: the six of an electrode titration (slope, intercept and detection term, purity, contamination, Kd) or the three of free levels; better 15 to 20. The rows may come in any order.'],
          ['Columns', 'A header metal_total_M,chelator_total_M,mV (or free_M), then the rows; totals as weighed, with their units (2mM, 150uM; a bare number is mol/L). Lines that begin with # are comments.'],
          ['Purity', 'The fraction of the weighed chelator that is chelator; "Use in the recipe" makes it the recipe\'s purity of that chelator, "Use in the uncertainty" the uncertainty\'s purity with the interval\'s half width over 1.96 as its standard uncertainty (a purity above 1 counts as 1).'],
          ['Contamination', 'The metal in every row beyond what was added [M]; "Use in the recipe" makes it the recipe\'s contamination of that metal, "Use in the uncertainty" the uncertainty\'s, its spread from the interval in the same way (a contamination below 0 counts as none).'],
          ['Kd', 'The apparent dissociation constant of the pair at the titration\'s conditions, fitted as its log, so its interval is not symmetric.'],
          ['95 % interval, bootstrap 95 %', 'The interval from the fit\'s covariance, and the one of a parametric bootstrap (the draws; 0 leaves it out) that checks it where it is not symmetric. The same seed gives the same numbers.'],
          ['Slope, E0, detection term', 'The electrode: E = E0 + S log10(free + D), S in mV per decade (about 29 for a calcium electrode), D the free level below which it reads no lower.'],
          ['Scatchard estimate', 'The classic linear estimate, bound/free against bound: the purity from the intercept and the Kd from the slope, to compare with what you know. The Scatchard plot shows the buffer points with the fit (red) and this line (green).'],
          ['RMS, residuals', 'How far the readings lie from the fitted model: in mV for an electrode, in per cent for free levels. The residual plot shows each row against its fitted free level; a pattern in it says the model does not fit.'],
          ['Calibrated constants (.TCM)', 'A new constants table: the one in use with the log K of the pair moved so that, corrected to the titration\'s temperature and ionic strength, it gives the fitted Kd (stored at 20 °C and 0.1 N, as every log K of a table). Open it in the Files tab as the table and every tab computes with your Kd; the file is named after the table in use (standard-calibrated.TCM), never over it.'],
          ['Kd of the table', 'The Kd that the constants table in use gives at the same conditions, and how many times it the fit is.'],
          ['Refused', 'Too few rows, no standards, standards at one level, readings that fall where more metal was added, a fit that does not converge or an interval that is not bounded: the message says which, and what to measure more. No number is shown without its interval.'],
        ])),
      section('page', 'Links, memory and files',
        terms([
          ['Link to this calculation', 'The address of the page holds the inputs of the tab shown; opened again (also from a file on disk) it repeats the calculation. A table of your own is named in the link, not included: open it in the Files tab. A titration longer than 4 KB is left out of the link and the memory: keep its CSV file.'],
          ['Memory', 'The page keeps your last inputs in this browser; "Reset to the example" goes back to the example of 2 mM EGTA with 1 mM Ca and 1 mM Mg.'],
          ['Out of date', 'A change of any input greys the results shown and turns off their downloads until you run again.'],
          ['Files', 'A work file (.STG) names its constants table: open both at once, or the table after the work file. A file that fails to load changes nothing.'],
          ['Units', 'Concentrations are shown in three significant digits in the unit that keeps the number between 1 and 999 (155 nM, 2.00 mM). A unit typed after a number moves into the unit menu beside it.'],
        ])));
  }

  Dedodiz.addSection({ id: 'help', title: 'Help', build });
})();
