#pragma once
// SIGTERM and SIGINT end the program the way the close box does. The handler
// only writes a byte to a socket pair; the event loop (or any wait that lets
// events through) reads it and runs `azione` on the window's thread.

#include <QObject>
#include <functional>

namespace quimbo::app {

// Installs the handlers for SIGTERM and SIGINT. Returns false when the socket
// pair cannot be made. One installation per process.
bool installaUscitaSuSegnali(QObject* contesto, std::function<void()> azione);

}  // namespace quimbo::app
