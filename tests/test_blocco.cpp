// One program per receipt folder: the second one on a folder says who holds it and
// sends nothing, at start-up and when the folder appears later.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "fakes.h"
#include "programma/avvio.h"
#include "queue/blocco.h"
#include "queue/scansione.h"

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace quimbo::prova {
namespace {

namespace fs = std::filesystem;

// A second program's start-up on `dir`, from an INI of its own.
EsitoAvvio AvviaSu(Banco& b, const fs::path& dir) {
  const fs::path ini = b.cartella / "altro.ini";
  std::ofstream(ini, std::ios::binary) << "[Altri parametri]\nDirPerFile=" << dir.string()
                                       << "\n[Parametri Seriale]\nDispositivo=/dev/finta\n";
  return Form_Load(b.st, b.imp, ini.string());
}

std::string Atteso(const fs::path& dir, const fs::path& ini) {
  return "Cartella degli scontrini " + dir.string() + " gi\xe0 in uso da un altro Quimbo (PID " +
         std::to_string(getpid()) + ", file ini " + ini.string() +
         "): un solo programma per cartella, questo si chiude";
}

TEST(Blocco, SecondProgramOnAFolderSaysWhoHoldsItAndSendsNothing) {
  CartellaTemporanea comune;
  auto primo = std::make_unique<Banco>();
  ASSERT_EQ(AvviaSu(*primo, comune.p).cartellaOccupata, "");
  std::ofstream(comune.p / "a.sco", std::ios::binary) << "00\tPANE\t1\t100\t1\n80\tC\t100\t0\t0\n";
  Banco secondo;
  secondo.collega("vandoni");
  const EsitoAvvio e = AvviaSu(secondo, comune.p);
  EXPECT_EQ(e.cartellaOccupata, Atteso(comune.p, primo->cartella / "altro.ini"));
  EXPECT_FALSE(e.portaAperta) << "the port stays the first program's";
  Timer1_Timer(secondo.st);
  EXPECT_EQ(secondo.porta.scritto, "");
  EXPECT_TRUE(fs::exists(comune.p / "a.sco"));
  // The lock goes with the program that held it, however it ended.
  primo.reset();
  Banco terzo;
  EXPECT_EQ(AvviaSu(terzo, comune.p).cartellaOccupata, "");
}

// A folder missing at start-up is locked at its first scan; found locked by another
// program by then, this one ends with its receipts untouched.
TEST(Blocco, FolderThatAppearsLockedEndsTheProgramAtItsScan) {
  Banco b;
  const fs::path dir = b.cartella / "dopo";
  ASSERT_EQ(AvviaSu(b, dir).cartellaOccupata, "");
  b.collega("vandoni");
  fs::create_directory(dir);
  std::ofstream(dir / "a.sco", std::ios::binary) << "00\tPANE\t1\t100\t1\n80\tC\t100\t0\t0\n";
  std::string chi;
  const auto altro = PrendiCartella(dir, "/etc/quimbo/quimbo.ini", chi);
  ASSERT_TRUE(altro);
  Timer1_Timer(b.st);
  EXPECT_EQ(b.porta.scritto, "");
  EXPECT_TRUE(fs::exists(dir / "a.sco"));
  EXPECT_TRUE(b.finestra.terminato);
  EXPECT_NE(b.st.TxtMsg.find("(PID " + std::to_string(getpid()) + ", file ini /etc/quimbo/quimbo.ini)"),
            std::string::npos)
      << b.st.TxtMsg;
}

// The lock's file deleted under a running program (the folder made again): a second
// program locks a new one, and the first, at its next scan, finds the folder no longer
// its own and ends instead of sending beside it. Windows deletes no file held open.
TEST(Blocco, LockFileReplacedUnderTheProgramIsNotTrustedAgain) {
  if (kWindows) GTEST_SKIP() << "an open file cannot be deleted";
  Banco b;
  b.prepara("Registratore=Vandoni", "vandoni");
  fs::remove(b.cartella / kFileBlocco);
  std::string chi;
  const auto altro = PrendiCartella(b.cartella, "/etc/quimbo/quimbo.ini", chi);
  ASSERT_TRUE(altro);
  b.scriviFile("a.sco", "00\tPANE\t1\t100\t1\n80\tC\t100\t0\t0\n");
  Timer1_Timer(b.st);
  EXPECT_EQ(b.porta.scritto, "");
  EXPECT_TRUE(b.esiste("a.sco"));
  EXPECT_TRUE(b.finestra.terminato);
}

TEST(Blocco, WhoHoldsTheFolderAsItsFileSays) {
  const std::pair<const char*, const char*> casi[] = {
      {"1234\n/etc/quimbo/quimbo.ini\n", "PID 1234, file ini /etc/quimbo/quimbo.ini"},
      {"1234\r\nC:\\Quimbo\\quimbo.ini\r\n", "PID 1234, file ini C:\\Quimbo\\quimbo.ini"},
      {"1234\n", "PID 1234"},
      {"\n/q.ini\n", "file ini /q.ini"},
      {"", ""},
      {"\x7f"
       "ELF\n",
       ""},
  };
  for (const auto& [contenuto, chi] : casi) EXPECT_EQ(ChiTieneLaCartella(contenuto), chi) << contenuto;
  EXPECT_EQ(ChiTieneLaCartella(ContenutoDelBlocco(42, "/a b.ini")), "PID 42, file ini /a b.ini");
}

}  // namespace
}  // namespace quimbo::prova
