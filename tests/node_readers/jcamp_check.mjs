// tests/node_readers/jcamp_check.mjs: reads every NAME.jdx of a folder with jcampconverter, an
// independent JCAMP-DX reader, and compares its spectra with NAME.json, the values that were written:
// {"spectra": [{"x": [...], "y": [...], "exact": true, "hz": false}]}. x within 1E-6 of the
// largest x, y within 1E-7 of the largest y, or, where exact, the very same single-precision
// values. Prints one line for each file; the status is 1 when any differs.
import { convert } from 'jcampconverter';
import { readFileSync, readdirSync } from 'node:fs';
import { join } from 'node:path';

const folder = process.argv[2];
let failed = 0;
const largest = (values) => values.reduce((m, v) => Math.max(m, Math.abs(v)), 0);

for (const name of readdirSync(folder).filter((n) => n.endsWith('.jdx')).sort()) {
  const expected = JSON.parse(readFileSync(join(folder, name.replace(/\.jdx$/, '.json')), 'utf8'));
  // jcampconverter reads (XY..XY) data under ##PEAK TABLE= but not under ##XYPOINTS=, which it
  // passes over: the same lines are given to it as a peak table.
  const text = readFileSync(join(folder, name), 'latin1').replaceAll('##XYPOINTS=(XY..XY)', '##PEAK TABLE=(XY..XY)');
  const read = convert(text).flatten.flatMap((e) => e.spectra);
  const problems = [];
  if (read.length !== expected.spectra.length) {
    problems.push(`${read.length} spectra read, ${expected.spectra.length} written`);
  }
  expected.spectra.forEach((want, s) => {
    const got = read[s]?.data;
    if (!got) return;
    // x in HZ of a file that names an observe frequency come as PPM, moved to the file's offset:
    // they are compared from the first x, in HZ again.
    const frequency = read[s].observeFrequency;
    if (want.hz && frequency && read[s].xUnits === 'PPM') {
      got.x = got.x.map((v) => want.x[0] + (v - got.x[0]) * frequency);
    }
    if (got.x.length !== want.x.length || got.y.length !== want.y.length) {
      problems.push(`spectrum ${s + 1}: ${got.y.length} points read, ${want.y.length} written`);
      return;
    }
    const xBound = 1e-6 * largest(want.x);
    const yBound = 1e-7 * largest(want.y);
    for (let i = 0; i < want.y.length && problems.length < 5; i++) {
      const xOff = Math.abs(got.x[i] - want.x[i]) > xBound;
      const yOff = want.exact ? Math.fround(got.y[i]) !== Math.fround(want.y[i])
                              : Math.abs(got.y[i] - want.y[i]) > yBound;
      if (xOff || yOff) {
        problems.push(`spectrum ${s + 1}, point ${i + 1}: read (${got.x[i]}, ${got.y[i]}), ` +
                      `written (${want.x[i]}, ${want.y[i]})`);
      }
    }
  });
  if (problems.length > 0) failed++;
  console.log(`${problems.length === 0 ? 'same' : 'DIFFERENT'} ${name}${problems.length ? ': ' + problems.join('; ') : ''}`);
}
process.exit(failed > 0 ? 1 : 0);
