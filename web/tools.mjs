// Build steps of the playground that need a script: the examples menu and the offline list.
//   node tools.mjs examples EXAMPLES_DIR OUT_JSON
//   node tools.mjs offline OUT_DIR SW_TEMPLATE
import { createHash } from 'node:crypto';
import { existsSync, readFileSync, readdirSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';

const [prikaz, a, b] = process.argv.slice(2);
if (prikaz === 'examples') {
  const priklady = readdirSync(a)
    .filter((n) => n.endsWith('.mox'))
    .sort()
    .map((n) => {
      const vstup = join(a, n.replace(/\.mox$/, '.in'));
      return {
        name: n,
        program: readFileSync(join(a, n), 'utf8'),
        input: existsSync(vstup) ? readFileSync(vstup, 'utf8') : '',
      };
    });
  writeFileSync(b, JSON.stringify(priklady));
} else if (prikaz === 'offline') {
  const soubory = readdirSync(a).filter((n) => n !== 'sw.js').sort();
  const hash = createHash('sha256');
  for (const n of soubory) hash.update(n).update(readFileSync(join(a, n)));
  const sw = readFileSync(b, 'utf8')
    .replace('__VERSION__', 'moxa-' + hash.digest('hex').slice(0, 16))
    .replace('__FILES__', JSON.stringify(['./', ...soubory]));
  writeFileSync(join(a, 'sw.js'), sw);
} else {
  console.error('usage: tools.mjs examples DIR OUT | offline OUT_DIR SW_TEMPLATE');
  process.exit(2);
}
