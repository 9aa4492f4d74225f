// Packs the web edition's WebAssembly module into a script: its bytes
// raw-deflated and in base64, which the page inflates with the browser's
// DecompressionStream. A script, so that the page needs no fetch and works
// from disk too (a report's copy); compressed, so that the site stays small.
// Usage: node tools/pack_wasm.js MODULE.wasm OUTPUT.js
'use strict';
const fs = require('fs');
const zlib = require('zlib');

const [input, output] = process.argv.slice(2);
const packed = zlib.deflateRawSync(fs.readFileSync(input), { level: 9 }).toString('base64');
fs.writeFileSync(output, `// Written by tools/pack_wasm.js from ${require('path').basename(input)}: do not edit.
'use strict';
const QD5_WASM_DEFLATED = '${packed}';
`);
