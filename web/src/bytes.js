// Bytes and the text the page shows for them. A program's output is bytes, not text: a
// valid UTF-8 sequence is shown as its character; anything else (a byte that is not part of
// valid UTF-8, a zero byte, a control character, a character that would reorder or hide the
// text around it) is shown as an escape such as \xff or \u{202e}, so that every byte stays
// visible and nothing shifts. Program and input texts carry a byte that is not valid UTF-8
// as the lone surrogate U+DC80 + byte, so that they turn back into the same bytes.

// Control and format characters that a browser would act on or hide.
const ZVLASTNI = /[\u0000-\u0008\u000b-\u001f\u007f-\u009f\u00ad\u061c\u115f\u1160\u180e\u200b-\u200f\u2028-\u202e\u2060-\u206f\ufeff\ufff9-\ufffb]/;

// Length of the UTF-8 sequence that starts at b[i] and is valid and complete, or 0. When
// `konec` is false, an incomplete sequence at the very end gives -1 (more bytes may come).
function delkaSekvence(b, i, konec) {
  const c = b[i];
  if (c < 0x80) return 1;
  let n;
  let min;
  if (c >= 0xc2 && c <= 0xdf) [n, min] = [2, 0x80];
  else if (c >= 0xe0 && c <= 0xef) [n, min] = [3, 0x800];
  else if (c >= 0xf0 && c <= 0xf4) [n, min] = [4, 0x10000];
  else return 0;
  let cp = c & (0xff >> (n + 1));
  for (let k = 1; k < n; k++) {
    if (i + k >= b.length) return konec ? 0 : -1;
    const d = b[i + k];
    if ((d & 0xc0) !== 0x80) return 0;
    cp = (cp << 6) | (d & 0x3f);
    // Reject overlong forms, surrogates and code points past U+10FFFF as early as possible.
    if (k === 1) {
      if (c === 0xe0 && d < 0xa0) return 0;
      if (c === 0xed && d > 0x9f) return 0;
      if (c === 0xf0 && d < 0x90) return 0;
      if (c === 0xf4 && d > 0x8f) return 0;
    }
  }
  return cp >= min ? n : 0;
}

function hex2(c) {
  return c.toString(16).padStart(2, '0');
}

// Splits bytes into pieces to show: { text } runs of plain text and { esc } escapes. When
// `konec` is false, an unfinished UTF-8 sequence at the end is left over: `zbytek` is the
// number of bytes not taken.
export function kusyVystupu(b, konec = true) {
  const kusy = [];
  let text = '';
  let i = 0;
  const dekoder = new TextDecoder('utf-8');
  while (i < b.length) {
    // Most output is printable ASCII, tabs and line ends: a run of them is taken whole.
    const od = i;
    while (i < b.length && ((b[i] >= 0x20 && b[i] < 0x7f) || b[i] === 0x0a || b[i] === 0x09)) i++;
    if (i > od) {
      text += dekoder.decode(b.subarray(od, i));
      continue;
    }
    const n = delkaSekvence(b, i, konec);
    if (n === -1) break;
    if (n === 0) {
      if (text) kusy.push({ text });
      text = '';
      kusy.push({ esc: '\\x' + hex2(b[i]) });
      i += 1;
      continue;
    }
    const ch = n === 1 ? String.fromCharCode(b[i]) : dekoder.decode(b.subarray(i, i + n));
    if (ZVLASTNI.test(ch)) {
      if (text) kusy.push({ text });
      text = '';
      const cp = ch.codePointAt(0);
      kusy.push({ esc: cp < 0x100 ? '\\x' + hex2(cp) : '\\u{' + cp.toString(16) + '}' });
    } else {
      text += ch;
    }
    i += n;
  }
  if (text) kusy.push({ text });
  return { kusy, zbytek: b.length - i };
}

// The text of bytes that the editor and the input box hold: valid UTF-8 as characters, every
// other byte as U+DC80 + byte.
export function textZBytu(b) {
  let s = '';
  let i = 0;
  const dekoder = new TextDecoder('utf-8');
  while (i < b.length) {
    const n = delkaSekvence(b, i, true);
    if (n === 0) {
      s += String.fromCharCode(0xdc00 + b[i]);
      i += 1;
    } else {
      s += n === 1 ? String.fromCharCode(b[i]) : dekoder.decode(b.subarray(i, i + n));
      i += n;
    }
  }
  return s;
}

// The bytes of such a text: the inverse of textZBytu.
export function bytyZTextu(s) {
  const out = [];
  const enc = new TextEncoder();
  let run = '';
  for (let i = 0; i < s.length; i++) {
    const u = s.charCodeAt(i);
    if (u >= 0xdc80 && u <= 0xdcff && !(i > 0 && s.charCodeAt(i - 1) >= 0xd800 && s.charCodeAt(i - 1) <= 0xdbff)) {
      if (run) out.push(...enc.encode(run));
      run = '';
      out.push(u - 0xdc00);
    } else {
      run += s[i];
    }
  }
  if (run) out.push(...enc.encode(run));
  return Uint8Array.from(out);
}

// Pieces of bytes `kusy`, `delka` of them in all, as one array.
export function spojBajty(kusy, delka) {
  const vse = new Uint8Array(delka);
  let i = 0;
  for (const b of kusy) {
    vse.set(b, i);
    i += b.length;
  }
  return vse;
}

// base64url without padding, of bytes and back.
export function base64url(b) {
  let bin = '';
  for (let i = 0; i < b.length; i += 0x8000) bin += String.fromCharCode(...b.subarray(i, i + 0x8000));
  return btoa(bin).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

export function zBase64url(t) {
  const s = t.replace(/-/g, '+').replace(/_/g, '/');
  const bin = atob(s + '='.repeat((4 - (s.length % 4)) % 4));
  const b = new Uint8Array(bin.length);
  for (let i = 0; i < bin.length; i++) b[i] = bin.charCodeAt(i);
  return b;
}

// The share fragment for a program and its input, and the parts of one (null when the
// fragment holds no program). A malformed part throws.
export function sdileni(program, input) {
  let f = '#program=' + base64url(program);
  if (input.length > 0) f += '&input=' + base64url(input);
  return f;
}

export function zeSdileni(fragment) {
  const casti = new URLSearchParams(fragment.replace(/^#/, ''));
  if (!casti.has('program')) return null;
  return {
    program: zBase64url(casti.get('program')),
    input: casti.has('input') ? zBase64url(casti.get('input')) : new Uint8Array(),
  };
}
