// The later passes of a loop in a run that traces: the runner's version that reports every
// step (its body is in vm/runner.hpp), and the trace steps that the grammar and the runner
// share.
#include "vm/runner.hpp"

namespace moxa {

template int Stroj::proved<true>(KodCyklu::Pozice od, KodCyklu::Pozice po);

// With the trace, an error in compiled code is placed at the statement it belongs to.
int Stroj::proved_se_stopou(KodCyklu::Pozice od, KodCyklu::Pozice po) {
  v_kodu_ = true;
  const int r = proved<true>(od, po);
  v_kodu_ = false;
  if (r != 0) stopa_->vstup(misto_v_kodu(pc_stopy_));
  return r;
}

const PoziceTokenu& Stroj::misto_v_kodu(KodCyklu::Pozice pc) const {
  const KodCyklu::ZacatekPrikazu* z = kod_.prikaz_na(pc);
  // A test's conditional or loop starts just before it; a loop run from its code always
  // has its own start recorded in a run that traces.
  if (z->test) --z;
  return z->misto;
}

void Stroj::krok_prirazeni(std::int32_t slot, std::string_view druh) {
  stopa_->prirazeni(misto_kroku(), druh, tab_.jmeno(slot), tab_.hodnota(slot).text(), zas_);
}

std::string_view Stroj::hodnota_pravdy() const {
  if (pravda_logicka_) return pravda_ ? "1" : "0";
  return pomocna_.text();
}

// The values an instruction pops before it pushes anything: the trace's lowest depth.
std::size_t Stroj::odebira(std::uint32_t w) {
  const std::uint32_t k = KodCyklu::kod(w);
  if (je_binarni(k)) return odebira_formy(forma_binarni(k));
  switch (KodCyklu::instrukce(w)) {
    case Instrukce::Nasobeni:
    case Instrukce::Scitani:
    case Instrukce::Relace:
    case Instrukce::Logicka: return 2;
    case Instrukce::Negace:
    case Instrukce::Prirad:
    case Instrukce::Pis:
    case Instrukce::Kdyz:
    case Instrukce::CyklusTest: return 1;
    default: return 0;
  }
}

}  // namespace moxa
