#include "fakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "base/errore.h"
#include "programma/avvio.h"
#include "queue/blocco.h"
#include "queue/esiti.h"

namespace quimbo::prova {

namespace {
// Thrown (deliberately not a std::exception, so no handler of the program can
// swallow it) when a wait could never end: the test fails instead of hanging.
struct AttesaSenzaFine {};
constexpr double kLatenza = 0.0005;
}  // namespace

bool PortaFinta::apri(const std::string& dispositivo, const std::string& impostazioni, std::string& motivo) {
  aperture.push_back(dispositivo);
  if (apriFallisce) {
    motivo = motivoFallimento;
    return false;
  }
  impostazioni_ = impostazioni;
  aperta_ = true;
  motivoChiusura_.clear();
  return true;
}

bool PortaFinta::consegna() {
  bool arrivato = false;
  while (!programmate_.empty() && programmate_.begin()->first <= orologio_.t) {
    if (aperta_) buffer_ += programmate_.begin()->second;
    programmate_.erase(programmate_.begin());
    arrivato = aperta_;
  }
  return arrivato;
}

std::optional<double> PortaFinta::prossimaConsegna() const {
  if (programmate_.empty()) return std::nullopt;
  return programmate_.begin()->first;
}

int PortaFinta::inBufferCount() {
  consegna();
  return static_cast<int>(buffer_.size());
}

std::string PortaFinta::input() {
  consegna();
  std::string tutto;
  tutto.swap(buffer_);
  return tutto;
}

void PortaFinta::output(std::string_view dati) {
  if (!aperta_) throw Errore(err::PortaNonAperta);
  scritto += dati;
  scritture.emplace_back(dati);
  if (!cassa) return;
  // Nothing comes back before the command has left: half a millisecond of line.
  for (simcassa::Uscita& u : cassa(dati))
    programmate_.emplace(orologio_.t + kLatenza + u.ritardo, std::move(u.byte));
}

bool PortaFinta::attendiDati(double secondi) {
  const double fine = orologio_.t + secondi;
  for (;;) {
    consegna();
    if (!buffer_.empty()) return true;
    std::optional<double> prossima = prossimaConsegna();
    if (!aperta_ || !prossima || *prossima > fine) {
      orologio_.t = std::max(orologio_.t, fine);
      return false;
    }
    orologio_.t = std::max(orologio_.t, *prossima);
  }
}

void PortaFinta::arriva(std::string byte, double ritardo) {
  programmate_.emplace(orologio_.t + ritardo, std::move(byte));
}

void PortaFinta::perdi(const std::string& motivo) {
  aperta_ = false;
  motivoChiusura_ = motivo;
  buffer_.clear();
  programmate_.clear();
  evento(evento::PortaPersa);
}

Risposta FinestraFinta::chiedi(const std::string& titolo, const std::string& testo, Icona icona, Pulsanti p) {
  if (erroreAllaDomanda) throw Errore(erroreAllaDomanda);
  Risposta r = Risposta::Annulla;
  if (p == Pulsanti::Ok) {
    r = Risposta::Ok;
  } else if (risposte.empty()) {
    ADD_FAILURE() << "domanda senza risposta nel copione: " << testo;
    r = p == Pulsanti::SiNo ? Risposta::No : Risposta::Annulla;
  } else {
    r = risposte.front();
    risposte.pop_front();
  }
  domande.push_back(Domanda{titolo, testo, icona, p, r});
  return r;
}

std::string FinestraFinta::ultimo(Campo c) const {
  auto it = storia.find(c);
  return it == storia.end() || it->second.empty() ? std::string() : it->second.back();
}

bool PompaFinta::attendi(const std::function<bool()>& fatto, std::optional<double> scadenza) {
  ++attese;
  for (long giri = 0;; ++giri) {
    if (fatto()) return true;
    if (giri > 1000000) throw AttesaSenzaFine{};
    if (!azioni_.empty() && azioni_.begin()->first <= orologio_.t) {
      auto azione = std::move(azioni_.begin()->second);
      azioni_.erase(azioni_.begin());
      azione();
      continue;
    }
    if (porta_.consegna()) {
      porta_.evento(evento::Receive);
      continue;
    }
    if (scadenza && orologio_.t >= *scadenza) return fatto();
    std::optional<double> prossimo = porta_.prossimaConsegna();
    if (!azioni_.empty() && (!prossimo || azioni_.begin()->first < *prossimo))
      prossimo = azioni_.begin()->first;
    if (scadenza && (!prossimo || *scadenza < *prossimo)) prossimo = scadenza;
    if (!prossimo) {
      ADD_FAILURE() << "attesa senza fine: nessun evento potrà mai concluderla";
      throw AttesaSenzaFine{};
    }
    orologio_.t = std::max(orologio_.t, *prossimo);
  }
}

CartellaTemporanea::CartellaTemporanea() {
  std::random_device caso;
  for (int i = 0; i < 100; ++i) {
    p = std::filesystem::temp_directory_path() / ("quimbo-prova-" + std::to_string(caso()));
    if (std::filesystem::create_directory(p)) return;
  }
  throw std::runtime_error("nessuna cartella temporanea");
}

CartellaTemporanea::~CartellaTemporanea() {
  std::error_code ec;
  std::filesystem::permissions(p, std::filesystem::perms::owner_all, ec);
  std::filesystem::remove_all(p, ec);
}

std::string leggi(const std::filesystem::path& file) {
  return (std::ostringstream() << std::ifstream(file, std::ios::binary).rdbuf()).str();
}

void Banco::avvia(const std::string& altriParametri, const std::string& parametriSeriale) {
  const std::filesystem::path ini = cartella / "quimbo.ini";
  std::ofstream f(ini, std::ios::binary);
  f << "[Altri parametri]\n"
    << altriParametri << "\nDirPerFile=" << cartella.string() << "\n"
    << "[Parametri Seriale]\n"
    << parametriSeriale << "\nDispositivo=/dev/finta\n";
  f.close();
  const EsitoAvvio esito = Form_Load(st, imp, ini.string());
  ASSERT_TRUE(esito.portaAperta) << esito.motivo;
}

simcassa::Registratore& Banco::collega(const std::string& famiglia, const simcassa::Guasti& g) {
  simulatore = simcassa::Registratore::crea(famiglia, g);
  if (!simulatore) throw std::runtime_error("famiglia sconosciuta al simulatore: " + famiglia);
  porta.cassa = [this](std::string_view b) { return simulatore->ricevi(b); };
  return *simulatore;
}

void Banco::scriviFile(const std::string& nome, const std::string& contenuto) const {
  std::ofstream f(cartella / nome, std::ios::binary);
  f << contenuto;
}

std::string Banco::leggiFile(const std::string& nome) const { return leggi(cartella / nome); }

bool Banco::esiste(const std::string& nome) const { return std::filesystem::exists(cartella / nome); }

std::vector<std::string> Banco::righeLog() const {
  std::vector<std::string> righe;
  const std::string testo = leggiFile("errori.txt");
  size_t inizio = 0;
  for (size_t fine; (fine = testo.find("\r\n", inizio)) != std::string::npos; inizio = fine + 2)
    righe.push_back(testo.substr(inizio, fine - inizio));
  return righe;
}

std::vector<std::string> Banco::fileInCartella() const {
  std::vector<std::string> nomi;
  for (const auto& e : std::filesystem::directory_iterator(cartella))
    // The program's own, for the whole run, and what it tells the point of sale (esito()).
    if (e.path().filename() != kFileBlocco && e.path().filename() != kEsiti)
      nomi.push_back(e.path().filename().string() + (e.is_directory() ? "/" : ""));
  std::sort(nomi.begin(), nomi.end());
  return nomi;
}

std::string Banco::esito(const std::string& nome) const { return leggi(FileEsito(cartella, nome)); }

}  // namespace quimbo::prova
