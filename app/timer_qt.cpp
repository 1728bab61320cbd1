#include "timer_qt.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <utility>

#include "base/percorsi.h"

namespace quimbo::app {

TimerQt::TimerQt() {
  timer_.setObjectName(QStringLiteral("Timer1"));
  timer_.setSingleShot(false);
  // A coarse timer may tick up to 5% early; a scan is due a full interval later.
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { scatta(); });
}

TimerQt::~TimerQt() {
  notifica_.reset();
  if (inotify_ >= 0) ::close(inotify_);
}

void TimerQt::appena(std::function<void()> azione) { QTimer::singleShot(0, &timer_, std::move(azione)); }

void TimerQt::smettiDiSorvegliare() {
  if (sorveglianza_ >= 0) ::inotify_rm_watch(inotify_, sorveglianza_);
  sorveglianza_ = -1;
}

void TimerQt::sorveglia() {
  if (sorveglianza_ >= 0) return;
  if (inotify_ < 0) {
    inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ < 0) return;
    notifica_ = std::make_unique<QSocketNotifier>(inotify_, QSocketNotifier::Read);
    QObject::connect(notifica_.get(), &QSocketNotifier::activated, &timer_, [this] { leggiEventi(); });
  }
  sorveglianza_ = ::inotify_add_watch(inotify_, cartella().c_str(),
                                      IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVE_SELF | IN_ONLYDIR);
}

void TimerQt::leggiEventi() {
  alignas(inotify_event) char buf[16384];
  bool scontrino = false;
  for (;;) {
    const ssize_t n = ::read(inotify_, buf, sizeof buf);
    if (n <= 0) break;
    for (ssize_t i = 0; i < n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(buf + i);
      // The folder went away or was moved: the next tick watches the path again.
      if (e->mask & IN_MOVE_SELF) ::inotify_rm_watch(inotify_, e->wd);
      if ((e->mask & (IN_IGNORED | IN_MOVE_SELF)) && e->wd == sorveglianza_) sorveglianza_ = -1;
      // Events were lost: a scan finds whatever they were about.
      if (e->mask & IN_Q_OVERFLOW) scontrino = true;
      if (e->len > 0 && NomeDiScontrino(e->name)) scontrino = true;
      i += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
    }
  }
  if (scontrino) subito();
}

}  // namespace quimbo::app
