// How the page shows output bytes, carries program bytes in the editor, and encodes links.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { bytyZTextu, kusyVystupu, sdileni, textZBytu, zeSdileni } from '../src/bytes.js';

const ukaz = (b) => kusyVystupu(Uint8Array.from(b)).kusy.map((k) => k.esc ?? k.text).join('');
const enc = new TextEncoder();

test('text and valid UTF-8 are shown as they are; line feeds and tabs too', () => {
  assert.equal(ukaz(enc.encode('Ahoj, svete!\n\tčau €𝄞')), 'Ahoj, svete!\n\tčau €𝄞');
});

test('zero bytes, the end-of-input byte, controls and broken UTF-8 are escapes', () => {
  assert.equal(ukaz([0x61, 0x00, 0x62]), 'a\\x00b');
  assert.equal(ukaz([0x22, 0xff, 0x22]), '"\\xff"');
  assert.equal(ukaz([0x0d, 0x1b, 0x7f]), '\\x0d\\x1b\\x7f');
  assert.equal(ukaz([0xc3]), '\\xc3'); // cut short
  assert.equal(ukaz([0xc0, 0xaf]), '\\xc0\\xaf'); // overlong
  assert.equal(ukaz([0xed, 0xa0, 0x80]), '\\xed\\xa0\\x80'); // a surrogate
  assert.equal(ukaz([0xf4, 0x90, 0x80, 0x80]), '\\xf4\\x90\\x80\\x80'); // past U+10FFFF
  assert.equal(ukaz([0xe2, 0x82, 0x41]), '\\xe2\\x82A');
  // Characters that would reorder or hide the text around them.
  assert.equal(ukaz(enc.encode('a\u202eb\u200bc\u0085')), 'a\\u{202e}b\\u{200b}c\\x85');
  // An escape is marked as one, so a program printing "\x00" is told apart from a zero byte.
  const { kusy } = kusyVystupu(Uint8Array.from([0x5c, 0x78, 0x30, 0x30, 0x00]));
  assert.deepEqual(kusy, [{ text: '\\x00' }, { esc: '\\x00' }]);
});

test('a sequence split between two pieces of output waits for its end', () => {
  const e = enc.encode('ř');
  const prvni = kusyVystupu(Uint8Array.from([0x41, e[0]]), false);
  assert.equal(prvni.zbytek, 1);
  assert.deepEqual(prvni.kusy, [{ text: 'A' }]);
  assert.equal(ukaz([e[0], e[1]]), 'ř');
});

test('every byte string survives the editor text and a share link', () => {
  const vse = Uint8Array.from({ length: 256 }, (_, i) => i);
  assert.deepEqual(bytyZTextu(textZBytu(vse)), vse);
  const nahodne = Uint8Array.from({ length: 5000 }, (_, i) => (i * 7919 + (i >> 3) * 31) & 0xff);
  assert.deepEqual(bytyZTextu(textZBytu(nahodne)), nahodne);
  // A character outside the basic plane keeps its surrogate pair.
  assert.deepEqual(bytyZTextu('𝄞\udcff'), Uint8Array.from([...enc.encode('𝄞'), 0xff]));
  const odkaz = sdileni(nahodne, vse);
  assert.match(odkaz, /^#program=[A-Za-z0-9_-]+&input=[A-Za-z0-9_-]+$/);
  assert.deepEqual(zeSdileni(odkaz), { program: nahodne, input: vse });
  assert.equal(sdileni(enc.encode('{}.'), new Uint8Array()), '#program=e30u');
  assert.equal(zeSdileni('#input=QQ'), null);
});
