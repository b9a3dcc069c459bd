// The state that the routines of one run share. Each run owns one instance (inside its
// `Interpret`), so any number of runs can live in one process.
//
// The current token (`token_buffer`), the lexer mode (`rezim_LA`) and the line counter
// (`cislo_radku`) belong to the lexer, which owns them; the stores own their contents.
#pragma once

namespace moxa {

struct SdilenyStav {
  // Result of the run: 0 = success, 1 after an error (whose message the routine that found
  // it has printed). Written once, as the run ends; the routines pass their results up by
  // returning them.
  int chyba_SA = 0;
  // The execution flag: 1 = execute, 0 = only parse (a branch not taken, the body of a
  // loop whose condition was false at first). Changed only by the conditional and the loop,
  // each of which puts it back as it leaves, whichever way it leaves.
  int i2_priznak = 1;
  // Blocks and bracketed or call factors open right now.
  int hloubka = 0;
  // Read statements parsed so far, executed or not: the compiled test that passes over a
  // branch or a loop's body knows from the difference how many words it reads and discards,
  // as reading the passed-over code would.
  unsigned long long cteni = 0;
};

}  // namespace moxa
