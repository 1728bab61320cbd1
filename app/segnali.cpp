#include "segnali.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <utility>

namespace quimbo::app {

namespace {

// A signal handler can reach nothing but a global; this is the only one.
int gScrittura = -1;

extern "C" void suSegnale(int) {
  const int salvato = errno;
  const char c = 1;
  if (gScrittura >= 0) {
    [[maybe_unused]] const ssize_t n = ::write(gScrittura, &c, 1);
  }
  errno = salvato;
}

}  // namespace

bool installaUscitaSuSegnali(QObject* contesto, std::function<void()> azione) {
  int coppia[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, coppia) != 0) return false;
  gScrittura = coppia[0];
  auto* notifica = new QSocketNotifier(coppia[1], QSocketNotifier::Read, contesto);
  QObject::connect(notifica, &QSocketNotifier::activated, contesto,
                   [fd = coppia[1], azione = std::move(azione)] {
                     char buf[16];
                     while (::read(fd, buf, sizeof buf) > 0) {
                     }
                     if (azione) azione();
                   });
  struct sigaction sa {};
  sa.sa_handler = suSegnale;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);
  return true;
}

}  // namespace quimbo::app
