// Small helpers the page's modules share for what they put on the page.

export const $ = (id) => document.getElementById(id);

// An escape the output shows for bytes that are not text (see kusyVystupu in bytes.js).
export function uzelEscape(esc) {
  const s = document.createElement('span');
  s.className = 'esc';
  s.textContent = esc;
  return s;
}
