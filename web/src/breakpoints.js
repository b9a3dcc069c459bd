// Breakpoints of the step view: lines of the program marked by a click on their number in the
// editor's gutter (or F9 on the cursor's line), kept while the program stays as it is. The
// view goes to the next or the previous step that stops at one, among the steps it recorded.
import { RangeSet, StateEffect, StateField } from '@codemirror/state';
import { EditorView, GutterMarker, gutterLineClass, lineNumbers } from '@codemirror/view';

// A breakpoint's line is marked in the gutter by a class on its line number.
const znacka = new (class extends GutterMarker {
  elementClass = 'cm-breakpoint';
})();

const prepni = StateEffect.define(); // { od: the start of the line }

const zarazkyPole = StateField.define({
  create: () => RangeSet.empty,
  update(set, tr) {
    // A changed program loses its breakpoints: their lines may now hold other statements.
    if (tr.docChanged) return RangeSet.empty;
    for (const e of tr.effects) {
      if (!e.is(prepni)) continue;
      let je = false;
      set.between(e.value.od, e.value.od, (od) => {
        if (od === e.value.od) je = true;
      });
      set = je
        ? set.update({ filter: (od) => od !== e.value.od })
        : set.update({ add: [znacka.range(e.value.od)], sort: true });
    }
    return set;
  },
  provide: (f) => gutterLineClass.from(f),
});

// The lines (from 1, ascending) that hold a breakpoint in the editor's state.
export function radkyZarazek(state) {
  const radky = [];
  for (let i = state.field(zarazkyPole, false)?.iter(); i?.value; i.next()) {
    radky.push(state.doc.lineAt(i.from).number);
  }
  return radky;
}

// Sets or removes the breakpoint on line `radek` (from 1); returns whether it is set now.
export function prepniZarazku(view, radek) {
  const line = view.state.doc.line(Math.min(Math.max(1, radek), view.state.doc.lines));
  view.dispatch({ effects: prepni.of({ od: line.from }) });
  return radkyZarazek(view.state).includes(line.number);
}

// The editor's part: the field, the clicks on line numbers and F9. `poZmene(radek, je)` is
// told of each toggle (for the page to say it); `poZruseni()` when an edit drops them all.
export function zarazkyEditoru({ poZmene, poZruseni }) {
  const prepniA = (view, radek) => {
    poZmene(radek, prepniZarazku(view, radek));
    return true;
  };
  return [
    zarazkyPole,
    lineNumbers({
      domEventHandlers: {
        mousedown: (view, line, e) => {
          if (e.button !== 0) return false;
          e.preventDefault();
          return prepniA(view, view.state.doc.lineAt(line.from).number);
        },
      },
    }),
    EditorView.updateListener.of((u) => {
      if (u.docChanged && u.startState.field(zarazkyPole).size > 0) poZruseni();
    }),
  ];
}

// F9 on the cursor's line, for the editor's keymap.
export function klavesaZarazky(poZmene) {
  return {
    key: 'F9',
    run: (view) => {
      const radek = view.state.doc.lineAt(view.state.selection.main.head).number;
      poZmene(radek, prepniZarazku(view, radek));
      return true;
    },
  };
}

// Whether step n of `kroky` (records, step n at index n - 1) stops at a breakpoint of
// `radky` (a Set of lines): the run arrives at a breakpoint's line anew, from another line,
// or at a loop's test, which begins each pass.
function zastavi(kroky, n, radky) {
  const k = kroky[n - 1];
  if (!radky.has(k.line)) return false;
  return n === 1 || kroky[n - 2].line !== k.line || k.kind === 'while';
}

// The first step after `n` that stops at a breakpoint, or null.
export function dalsiZastaveni(kroky, n, radky) {
  const mnozina = new Set(radky);
  for (let i = Math.max(n + 1, 1); i <= kroky.length; i++) if (zastavi(kroky, i, mnozina)) return i;
  return null;
}

// The last step before `n` that stops at a breakpoint, or null.
export function predchoziZastaveni(kroky, n, radky) {
  const mnozina = new Set(radky);
  for (let i = Math.min(n - 1, kroky.length); i >= 1; i--) if (zastavi(kroky, i, mnozina)) return i;
  return null;
}
