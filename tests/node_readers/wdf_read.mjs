// tests/node_readers/wdf_read.mjs: reads a .wdf file with wdf-parser, an independent reader, and
// prints its spectra as JSON: {"spectra": [{"x": [...], "y": [...]}]}, or {"refused": "why"}
// where wdf-parser does not read the file.
// Usage: node wdf_read.mjs FILE
import { parse } from 'wdf-parser';
import { readFileSync } from 'node:fs';

let read;
try {
  read = parse(readFileSync(process.argv[2]));
} catch (e) {
  console.log(JSON.stringify({ refused: String(e.message) }));
  process.exit(0);
}
const block = (type) => read.blocks.find((b) => b.blockType === type);
const x = Array.from(block('WDF_BLOCKID_XLIST').xList.values);
const spectra = block('WDF_BLOCKID_DATA').spectra.map((y) => ({ x, y: Array.from(y) }));
console.log(JSON.stringify({ spectra }));
