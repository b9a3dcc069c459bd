// The program's editor: CodeMirror with the language's colours, its bytes shown as the output
// pane shows them, the line of a run's error marked, Ctrl+Enter to run, and Tab left to move
// between the page's controls. The page (main.js) is handed back the view and what it does
// with the program: replace it, read it as bytes, go to one of its lines.
import { EditorState, StateEffect, StateField } from '@codemirror/state';
import {
  Decoration,
  EditorView,
  drawSelection,
  highlightActiveLine,
  highlightActiveLineGutter,
  highlightSpecialChars,
  keymap,
  lineNumbers,
} from '@codemirror/view';
import { defaultKeymap, history as historieUprav, historyKeymap } from '@codemirror/commands';
import { HighlightStyle, bracketMatching, indentOnInput, syntaxHighlighting } from '@codemirror/language';
import { tags } from '@lezer/highlight';
import { moxaLanguage } from './language.js';
import { bytyZTextu } from './bytes.js';

const oznacRadek = StateEffect.define();
const chybnyRadek = StateField.define({
  create: () => Decoration.none,
  update(deco, tr) {
    for (const e of tr.effects) {
      if (e.is(oznacRadek)) {
        return e.value === null
          ? Decoration.none
          : Decoration.set([Decoration.line({ class: 'cm-error-line' }).range(e.value)]);
      }
    }
    return tr.docChanged ? Decoration.none : deco.map(tr.changes);
  },
  provide: (f) => EditorView.decorations.from(f),
});

// A byte that is not valid UTF-8 is held as U+DC80 + byte (see bytes.js): shown as \xHH,
// as the output pane shows it; other invisible characters as \xHH or \u{HHHH}.
function zobrazBajt(code) {
  const span = document.createElement('span');
  span.className = 'cm-byte';
  if (code >= 0xdc80 && code <= 0xdcff) span.textContent = '\\x' + (code - 0xdc00).toString(16);
  else if (code < 0x100) span.textContent = '\\x' + code.toString(16).padStart(2, '0');
  else span.textContent = '\\u{' + code.toString(16) + '}';
  span.title = span.textContent;
  return span;
}

// The program's colours as classes, which style.css gives colours that keep their contrast in
// the light and the dark scheme.
const barvyProgramu = HighlightStyle.define([
  { tag: tags.keyword, class: 'hl-keyword' },
  { tag: tags.string, class: 'hl-string' },
  { tag: tags.number, class: 'hl-number' },
  { tag: tags.comment, class: 'hl-comment' },
  { tag: tags.variableName, class: 'hl-variable' },
  { tag: tags.invalid, class: 'hl-invalid' },
]);

// Makes the editor in `parent` with the program `text`. `rozsireni` are the checker's
// extensions, `spust()` runs the program (Ctrl+Enter), `priZmene()` is called on every edit.
export function vytvorEditor({ parent, text, rozsireni, spust, priZmene }) {
  // A person who asks for less motion gets a cursor that does not blink.
  const menePohybu = matchMedia('(prefers-reduced-motion: reduce)').matches;
  const editor = new EditorView({
    parent,
    state: EditorState.create({
      doc: text,
      extensions: [
        // Only a line feed ends a line: a carriage return is a byte of the program like any other.
        EditorState.lineSeparator.of('\n'),
        lineNumbers(),
        highlightActiveLineGutter(),
        highlightActiveLine(),
        highlightSpecialChars({ addSpecialChars: /[\udc80-\udcff\r]/, render: zobrazBajt }),
        historieUprav(),
        drawSelection(menePohybu ? { cursorBlinkRate: 0 } : {}),
        bracketMatching(),
        indentOnInput(),
        syntaxHighlighting(barvyProgramu),
        moxaLanguage,
        chybnyRadek,
        rozsireni,
        keymap.of([{ key: 'Mod-Enter', run: () => (spust(), true) }, ...defaultKeymap, ...historyKeymap]),
        // Tab is no key of the editor: it moves on to the next control, as everywhere on the page.
        EditorView.contentAttributes.of({
          'aria-label': 'Program',
          'aria-multiline': 'true',
          'aria-describedby': 'editor-help',
          // Named as focusable, so that checkers see the scrolled text can be reached by keyboard.
          tabindex: '0',
        }),
        EditorView.updateListener.of((u) => {
          if (u.docChanged) priZmene();
        }),
      ],
    }),
  });

  return {
    editor,
    text: () => editor.state.doc.toString(),
    // The program as the bytes a run, a link and an assignment's tests are given.
    bajty: () => bytyZTextu(editor.state.doc.toString()),
    nastav(text) {
      editor.dispatch({
        changes: { from: 0, to: editor.state.doc.length, insert: text },
        effects: oznacRadek.of(null),
      });
    },
    // Puts the cursor on line `n` (1-based) of the program and marks the line.
    naRadek(n) {
      const doc = editor.state.doc;
      const line = doc.line(Math.min(Math.max(1, n), doc.lines));
      editor.dispatch({
        selection: { anchor: line.from },
        effects: [oznacRadek.of(line.from), EditorView.scrollIntoView(line.from, { y: 'center' })],
      });
      editor.focus();
    },
  };
}
