// quimbo [options] [INI path]: the Qt shell around the core. It makes the
// platform's parts (window, port, timer, pump, signals, the service manager) and
// hands them to the program.

#include <QApplication>
#include <QCoreApplication>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "finestra_qt.h"
#include "pompa_qt.h"
#include "porta_qt.h"
#include "programma/programma.h"
#include "segnali.h"
#include "servizio.h"
#include "timer_qt.h"

namespace {

namespace fs = std::filesystem;
using namespace quimbo;

// Qt's own options, which QApplication takes out of the command line itself.
int OpzioneDiQt(const std::string& a) {
  static const char* const conArgomento[] = {"-platform",        "-platformpluginpath",
                                             "-platformtheme",   "-plugin",
                                             "-qwindowgeometry", "-qwindowicon",
                                             "-qwindowtitle",    "-display",
                                             "-geometry",        "-style",
                                             "-stylesheet",      "-session"};
  static const char* const senza[] = {"-reverse", "-widgetcount", "-nograb", "-dograb", "-sync"};
  if (std::find(std::begin(conArgomento), std::end(conArgomento), a) != std::end(conArgomento)) return 1;
  return std::find(std::begin(senza), std::end(senza), a) != std::end(senza) ? 0 : -1;
}

std::string cartellaEseguibile(const char* argv0) {
  std::error_code ec;
  const fs::path io = fs::read_symlink("/proc/self/exe", ec);
  return (ec ? fs::absolute(argv0, ec) : io).parent_path().string();
}

// Qt's own messages: the warnings about XDG_RUNTIME_DIR (a service has none) and
// the offscreen platform's size hints say nothing to a user of this program, and
// a window that cannot be shown ends with what to do instead of Qt's abort.
QtMessageHandler gestorePrecedente = nullptr;
bool creandoFinestra = false;
void messaggiQt(QtMsgType tipo, const QMessageLogContext& contesto, const QString& testo) {
  if (testo.contains(QLatin1String("XDG_RUNTIME_DIR")) || testo.contains(QLatin1String("propagateSizeHints")))
    return;
  if (tipo == QtFatalMsg && creandoFinestra) {
    ErroreSuStderr("quimbo: impossibile mostrare la finestra (" +
                   testo.section(QLatin1Char('\n'), 0, 0).toStdString() +
                   "): senza display usare --headless");
    std::_Exit(uscita::Uso);
  }
  // Into the journal every line carries its priority, Qt's own too.
  if (AlGiornaleDiSistema(stderr) && tipo != QtFatalMsg && tipo != QtDebugMsg && tipo != QtInfoMsg)
    return ErroreSuStderr(qFormatLogMessage(tipo, contesto, testo).toStdString());
  if (gestorePrecedente) gestorePrecedente(tipo, contesto, testo);
}

bool ConDisplay() {
  return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quimbo;
  // Looked at before Qt starts, so that --help works without a display.
  const Opzioni o = LeggiOpzioni(std::vector<std::string>(argv + 1, argv + argc), OpzioneDiQt);
  std::string erroreIni;
  const std::string ini = o.errore.empty() ? TrovaIni(o, cartellaEseguibile(argv[0]), erroreIni) : "";
  if (const std::optional<int> fine = FinePrimaDellaShell(o, erroreIni, ConDisplay(), QUIMBO_VERSIONE))
    return *fine;

  gestorePrecedente = qInstallMessageHandler(messaggiQt);
  std::unique_ptr<QCoreApplication> app;
  creandoFinestra = !o.headless;
  if (o.headless)
    app = std::make_unique<QCoreApplication>(argc, argv);
  else
    app = std::make_unique<QApplication>(argc, argv);
  creandoFinestra = false;
  QCoreApplication::setApplicationName(QStringLiteral("quimbo"));
  QCoreApplication::setApplicationVersion(QStringLiteral(QUIMBO_VERSIONE));

  using namespace quimbo::app;
  OrologioSistema orologio;
  PortaQt porta;
  PompaQt pompa(orologio);
  ServizioSystemd servizio;
  TimerQt timer;
  std::unique_ptr<FinestraQt> finestra;
  if (!o.headless) finestra = std::make_unique<FinestraQt>();
  Programma programma(o, PartiDellaShell{porta, pompa, orologio, servizio, finestra.get(), timer});
  if (finestra) finestra->collega(&programma.operatore(), &pompa);
  installaUscitaSuSegnali(app.get(), [&programma] { programma.chiudi(); });
  return programma.esegui(ini, erroreIni);
}
