"""What the end-to-end scripts share (soak, prova-windows, prova-installatore): the
simulated register and what its journal says was printed, waiting for a condition,
the verdict lines, and wine with its prefix and X server."""

import os
import re
import subprocess
import time
from pathlib import Path

WINE = "/usr/lib/wine/wine64"

# The receipt: one sale carrying the receipt's number, cash with an amount tendered.
RICEVUTA = "00\tR{n:05d}\t1\t1.5\t1\r\n80\tC\t1.5\t0\t0\t2\r\n"

# The journal line (data before the " (meaning)") that closes a receipt, per family.
def chiude(famiglia, riga, precedente):
    if famiglia == "vandoni":
        return riga == "497" and precedente == "420"  # "497" alone is also the keyboard unlock
    if famiglia == "frontiera":
        return riga == "2H1T"
    if famiglia == "olivetti":
        return riga == "$1323"
    return riga == "2="  # kabel: the cash payment


def dati(riga):
    """The command's data of a journal line, without its meaning in brackets; None
    for what the register did not carry out."""
    if riga.startswith("?? ") or riga.startswith("!! ") or riga.endswith(" (rifiutato)"):
        return None
    if riga.endswith(")") and " (" in riga:
        return riga[: riga.rindex(" (")]
    return riga


def stampe(famiglia, giornale):
    """How many times each receipt number was closed at the register."""
    chiusi = {}
    corrente = None
    precedente = None
    for riga in giornale:
        d = dati(riga)
        if d is None:
            continue
        m = re.search(r"R(\d{5})", d)
        if m:
            corrente = int(m.group(1))
        elif corrente is not None and chiude(famiglia, d, precedente):
            chiusi[corrente] = chiusi.get(corrente, 0) + 1
        precedente = d
    return chiusi


def avvia_cassa(simcassa, famiglia, giornale, guasti):
    p = subprocess.Popen([simcassa, famiglia, "--giornale", str(giornale), "--baud", "1200", *guasti],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    prima = p.stdout.readline().strip()
    if not prima.startswith("PORTA "):
        raise RuntimeError("simcassa non e' partito: " + prima)
    return p, prima[6:]


def lascia_finire(cassa, giornale, quiete=1.5):
    """The bytes already on the line still reach the register: on a pseudo-terminal
    they wait in its buffer, and the paced simulator reads them at line speed. Done when
    its journal has been still for `quiete` seconds."""
    fine = time.monotonic() + 60
    misura, ferma_da = -1, time.monotonic()
    while time.monotonic() < fine:
        ora = giornale.stat().st_size if giornale.exists() else 0
        if ora != misura:
            misura, ferma_da = ora, time.monotonic()
        elif time.monotonic() - ferma_da > quiete:
            break
        time.sleep(0.1)
    cassa.terminate()
    cassa.wait(timeout=5)


def attendi(condizione, secondi=30, passo=0.05):
    """Whether `condizione` came true within `secondi`, looked at every `passo`."""
    fine = time.monotonic() + secondi
    while time.monotonic() < fine:
        if condizione():
            return True
        time.sleep(passo)
    return condizione()


def verifica(cond, messaggio, esiti):
    esiti.append((cond, messaggio))
    print(("PASS " if cond else "FAIL ") + messaggio, flush=True)
    return cond


def wine(*argomenti, cwd=None):
    r = subprocess.run([WINE, *argomenti], cwd=cwd, capture_output=True, text=True, errors="replace", timeout=180)
    return r.returncode, (r.stdout + r.stderr).strip()


def schermo():
    """An X server for the window when there is no display (before the prefix is
    prepared: wine's desktop lives on the display it first finds). None when there is one."""
    if os.environ.get("DISPLAY"):
        return None
    lettura, scrittura = os.pipe()
    x = subprocess.Popen(["Xvfb", "-displayfd", str(scrittura), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                         pass_fds=(scrittura,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(scrittura)
    with os.fdopen(lettura) as f:
        os.environ["DISPLAY"] = ":" + f.readline().strip()
    return x


def server_vivo():
    """Whether a wineserver runs."""
    return subprocess.run(["pgrep", "-f", "wineserver"], stdout=subprocess.DEVNULL).returncode == 0


def porta_com1():
    """The prefix's own link that COM1 always names; mappa_com1 points it at a register."""
    return Path(os.environ["WINEPREFIX"]) / "porta-com1"


def prepara_wine():
    # The prefix made ready, then a wineserver that stays. The first boot of a prefix
    # leaves two services.exe behind, each with its own list of services: the server
    # is started again after it. Each start of the services (a program killed with its
    # process group takes them along, and the next program starts them anew) makes
    # dosdevices/com1 again, from the ports the registry names before the machine's
    # own (/dev/ttyS0): the registry names a link of the prefix's, which stays the
    # register's whatever the services do.
    server = "/usr/lib/wine/wineserver"
    porte = [WINE, "reg", "add", r"HKLM\Software\Wine\Ports", "/v", "COM1", "/t", "REG_SZ", "/d",
             str(porta_com1()), "/f"]
    for comando in ([WINE, "wineboot", "-i"], porte, [server, "-k"], [server, "-p"], [WINE, "sc", "query", "PlugPlay"]):
        subprocess.run(comando, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _collega(Path(os.environ["WINEPREFIX"]) / "dosdevices" / "com1", porta_com1())


def _collega(nome, dove):
    prossimo = nome.with_name(nome.name + ".nuovo")
    prossimo.unlink(missing_ok=True)
    prossimo.symlink_to(dove)
    os.replace(prossimo, nome)


def mappa_com1(porta):
    """COM1 is the register's pseudo-terminal `porta` from now on."""
    _collega(porta_com1(), Path(porta))
    _collega(Path(os.environ["WINEPREFIX"]) / "dosdevices" / "com1", porta_com1())
