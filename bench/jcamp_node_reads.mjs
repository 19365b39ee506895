// bench/jcamp_node_reads.mjs: times jcampconverter's convert, the JCAMP-DX reader of npm, on one
// file inside Node.js: the file is read into memory once, converted WARMUP times untimed, then
// TIMES times. Prints the seconds of one conversion (the mean of the timed ones) and the points of
// the first spectrum. jcampconverter is the one that tests/node_readers installs (`npm ci` there).
// Usage: node bench/jcamp_node_reads.mjs FILE TIMES WARMUP
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { pathToFileURL } from 'node:url';

const installed = createRequire(new URL('../tests/node_readers/package.json', import.meta.url));
const { convert } = await import(pathToFileURL(installed.resolve('jcampconverter')).href);

const [file, times, warmup] = [process.argv[2], Number(process.argv[3]), Number(process.argv[4])];
const text = readFileSync(file, 'latin1');
const points = (result) => result.flatten[0].spectra[0].data.y.length;
let read = 0;
for (let i = 0; i < warmup; i++) read = points(convert(text));
const start = process.hrtime.bigint();
for (let i = 0; i < times; i++) read = points(convert(text));
const seconds = Number(process.hrtime.bigint() - start) / 1e9 / times;
console.log(`${seconds} ${read}`);
