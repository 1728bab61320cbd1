"""A power cut at any instant of a receipt's life: the real program (--headless, against
simcassa, Vandoni) is recorded with strace while a receipt lives one kind of life; from
its calls on the receipt folder every state the folder may be in after a power cut is
built, laid out in a fresh folder, and the program started again on it until the folder
is quiet. Each state is then judged: the receipt printed exactly once, set aside (in
doubt, or for a bad line), or waiting; never printed twice, never gone with no print and
no trace, never out of the folder without its outcome (esiti/), a printed one's outcome
saying so, and no half-written file of the program's own left behind.

The file system is the weakest that keeps its promises: what was written to a file and
not yet fsync'ed may be lost, in whole or in part (half of a write is kept); a rename,
unlink, link, creation or mkdir may be lost until its folder is fsync'ed, and the
changes to one name reach the disk in the order they were made (a journal logs them in
order); a rename is atomic; what was synced stays. At each cut point every combination of the calls not yet
synced is built, up to --limite per cut point; past it, every combination that keeps
or loses at most --deviazioni of them against keeping all or losing all (the count
says so). The register's memory at the cut is
what the port's bytes written before it closed, counted at both ends of the interval
between two calls on the folder. States with the same files are started once.

Prints, per kind of life, the cut points, the states, the distinct folders started and
the failures; each failure with the kept files and the trace's position, to replay.
Exit 1 on any failure.

Usage: scripts/taglio-corrente [--vite stampato,riga-errata,...] [--limite N] [--deviazioni K]
                               [--paralleli P] [--build DIR] [--tieni]
  --limite 0 builds only what a kill leaves (every call made stays): the kill at each
  step. scripts/test runs --limite 1 --deviazioni 1, a bounded run of a few minutes.
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

from prove import attendi, avvia_cassa, lascia_finire, stampe
from taglio.esploratore import disponi, fotografa, stati_della_vita
from taglio.modello import descrivi
from taglio.traccia import CHIAMATE, Vita

TOP = Path(__file__).resolve().parent.parent.parent
RICEVUTA = b"00\tR00001\t1\t1.5\t1\r\n80\tC\t1.5\t0\t0\t2\r\n"
ERRATA = b"00\tR00001\t1\tabc\t1\r\n80\tC\t1.5\t0\t0\t2\r\n"
NOME = "r00001.sco"

# ---------------------------------------------------------------- the program


def scrivi_ini(lavoro, cartella, porta):
    ini = lavoro / "quimbo.ini"
    ini.write_text(f"[Altri parametri]\nRegistratore=Vandoni\nDirPerFile={cartella}\nAttesaTimer=200\n"
                   f"[Parametri Seriale]\nDispositivo={porta}\nSettings=9600,e,7,1\n")
    return ini


def quieta(cartella):
    return not any(p.suffix == ".sco" for p in cartella.iterdir()) and not (cartella / "pagamento.txt").exists()


def ferma(p):
    """SIGTERM to the program: under strace, to the program itself (strace would only
    let go of it)."""
    try:
        figli = Path(f"/proc/{p.pid}/task/{p.pid}/children").read_text().split()
    except OSError:
        figli = []
    for pid in figli or [p.pid]:
        try:
            os.kill(int(pid), signal.SIGTERM)
        except ProcessLookupError:
            pass


def esegui(args, lavoro, cartella, guasti=(), traccia=None, extra=(), finche=None, secondi=4.0):
    """The program on the folder until `finche` holds (or the folder is quiet), then
    stopped; the register's journal lines."""
    giornale = lavoro / f"giornale{time.monotonic_ns()}.txt"
    cassa, porta = avvia_cassa(args.simcassa, "vandoni", giornale, list(guasti))
    ini = scrivi_ini(lavoro, cartella, porta)
    comando = [args.quimbo, *(extra or ["--headless"]), str(ini)]
    if traccia:
        comando = ["strace", "-f", "-qq", "-xx", "-y", "-s", "1000000", "-e", "trace=" + CHIAMATE,
                   "-e", "signal=none", "-o", str(traccia), *comando]
    log = lavoro / f"quimbo{time.monotonic_ns()}.log"
    with open(log, "wb") as uscita:
        p = subprocess.Popen(comando, stdout=uscita, stderr=subprocess.DEVNULL)
    if not extra:
        # Quiet only once start-up is over: it removes what a stop left half-written.
        avviato = lambda: b"Avvio:" in log.read_bytes()  # noqa: E731
        attendi(lambda: p.poll() is not None or (avviato() and (finche or quieta)(cartella)), secondi)
        time.sleep(0.3)
        ferma(p)
    try:
        p.wait(timeout=20)
    except subprocess.TimeoutExpired:
        p.kill()
        p.wait()
    # Frames of a receipt take a fraction of a second each at the simulator's pace.
    lascia_finire(cassa, giornale, 0.8)
    return giornale.read_text(errors="replace").splitlines() if giornale.exists() else []


def dove(cartella):
    """Where the receipt is: waiting, set aside (in doubt, settled, for a bad line), or nowhere."""
    posti = []
    for p in cartella.rglob("*"):
        if p.is_file() and b"R00001" in p.read_bytes() and p.parent.name != "esiti":
            rel = str(p.relative_to(cartella))
            if "/" not in rel and rel.endswith(".sco"):
                posti.append("attesa")
            elif "_in_dubbio_" in rel:
                posti.append("dubbio")
            elif "_stampato_" in rel:
                posti.append("sistemato")
            elif rel.startswith("scartati/") or rel == "badscont.bad":
                posti.append("da parte")
    return posti


# ---------------------------------------------------------------- the lives


def prepara_dubbio(args, lavoro, cartella):
    """A receipt in doubt, made by the program itself: the closing answered wrong."""
    (cartella / NOME).write_bytes(RICEVUTA)
    esegui(args, lavoro, cartella, ["--rispondi", "A", "--al-comando", "6"])


class Tipo:
    def __init__(self, nome, ricevuta=RICEVUTA, guasti=(), prima=None, comandi=((),), gia=0, piccola=False):
        self.nome, self.ricevuta, self.guasti = nome, ricevuta, list(guasti)
        self.prima, self.comandi, self.gia, self.piccola = prima, comandi, gia, piccola


VITE = {
    "stampato": Tipo("stampato"),
    "riga-errata": Tipo("riga-errata", ricevuta=ERRATA),
    "rifiutato": Tipo("rifiutato", guasti=["--rifiuta", "1000"]),
    "in-dubbio": Tipo("in-dubbio", guasti=["--rispondi", "A", "--al-comando", "6"]),
    "disco-pieno": Tipo("disco-pieno", piccola=True),
    "ristampa": Tipo("ristampa", prima=prepara_dubbio, comandi=(("--ristampa", NOME), ())),
    "gia-stampato": Tipo("gia-stampato", prima=prepara_dubbio, comandi=(("--gia-stampato", NOME),), gia=1),
}


def monta_piena(lavoro):
    """A folder on a small tmpfs filled to the last byte, freed after a while."""
    punto = lavoro / "piccola"
    punto.mkdir()
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k", "taglio-corrente", str(punto)],
                      stderr=subprocess.DEVNULL).returncode != 0:
        return None
    (punto / "c").mkdir()
    return punto


def registra(args, tipo, lavoro):
    punto = monta_piena(lavoro) if tipo.piccola else None
    cartella = (punto or lavoro) / "c"
    cartella.mkdir(exist_ok=True)
    try:
        if tipo.prima:
            tipo.prima(args, lavoro, cartella)
        else:
            (cartella / NOME).write_bytes(tipo.ricevuta)
        os.sync()
        iniziale, tempi = fotografa(cartella)
        vita = Vita(cartella, iniziale)
        for n, extra in enumerate(tipo.comandi):
            traccia = lavoro / f"traccia{n}.txt"
            if tipo.piccola:
                riempi = subprocess.Popen(["sh", "-c", f"cat /dev/zero > {punto}/pieno 2>/dev/null; sleep 1.5; "
                                           f"rm -f {punto}/pieno"])
                time.sleep(0.2)
                esegui(args, lavoro, cartella, tipo.guasti, traccia, extra, secondi=5)
                riempi.wait()
            else:
                esegui(args, lavoro, cartella, tipo.guasti, traccia, extra)
            vita.aggiungi(traccia)
    finally:
        if punto:
            subprocess.run(["umount", str(punto)])
    return vita, iniziale, tempi


def giudica(posti, prima, dopo, gia, esito):
    stampe_ = gia + prima + dopo
    if stampe_ > 1:
        return f"stampato {stampe_} volte"
    if "attesa" not in posti and esito is None:
        return "uscito dalla cartella senza esito"
    if stampe_ == 1 and not posti and esito not in ("stampato", "ristampato", "gi\xe0 stampato"):
        return f"stampato, ma l'esito dice {esito}"
    if "attesa" in posti:
        return "resta in attesa con la cassa che risponde"
    if stampe_ == 0 and not posti:
        return "perso: non stampato e senza traccia"
    if len(posti) > 1:
        return "in due posti: " + ", ".join(posti)
    return None


def stato_esito(cartella):
    """What the receipt's outcome says, as the point of sale reads it; None without one."""
    f = cartella / "esiti" / (NOME + ".esito")
    m = re.search(rb"^Stato=(.*)\r$", f.read_bytes(), re.M) if f.exists() else None
    return m.group(1).decode("cp1252") if m else None


def avanzi(cartella):
    """Files of the program's own left half-done, which no restart took away."""
    return [str(p.relative_to(cartella)) for p in cartella.rglob("*")
            if p.name.endswith((".nuovo", ".prova"))]


def esplora(args, nome):
    tipo = VITE[nome]
    lavoro = Path(tempfile.mkdtemp(prefix=f"taglio-{nome}-"))
    vita, iniziale, tempi = registra(args, tipo, lavoro)
    tagli = len(vita.op) + 1
    gruppi, stati, limitati = stati_della_vita(vita, iniziale, args.limite, args.deviazioni)

    def prova(item):
        k, g = item
        for _ in range(4):
            cartella = lavoro / "stati" / k / "c"
            shutil.rmtree(cartella.parent, ignore_errors=True)
            disponi(cartella, g["stato"], tempi)
            giornale = esegui(args, cartella.parent, cartella)
            # A port number that another restart alongside held a moment ago: again.
            errori = cartella / "errori.txt"
            if not (errori.exists() and b"n.8002" in errori.read_bytes()):
                break
        dopo = stampe("vandoni", giornale).get(1, 0)
        posti = dove(cartella)
        esito = stato_esito(cartella)
        guasti = []
        for taglio, scelta, prima in g["casi"]:
            for p in sorted(prima):
                motivo = giudica(posti, p, dopo, tipo.gia, esito)
                if motivo:
                    guasti.append((motivo, taglio, scelta, p))
        rimasti = avanzi(cartella)
        if rimasti:
            guasti.append(("file lasciati a met\u00e0: " + ", ".join(rimasti), g["casi"][0][0], g["casi"][0][1],
                           min(g["casi"][0][2])))
        return k, g, guasti

    with ThreadPoolExecutor(args.paralleli) as ex:
        risultati = list(ex.map(prova, gruppi.items()))
    falliti = 0
    for k, g, guasti in risultati:
        if not guasti:
            continue
        falliti += len({(m, t) for m, t, _, _ in guasti})
        motivo, taglio, scelta, prima = guasti[0]
        print(f"  FALLITO [{nome}] {motivo}: taglio dopo la chiamata {taglio} di {len(vita.op)} "
              f"({descrivi(vita.op[taglio - 1]) if taglio else 'prima di tutto'}), registratore con "
              f"{prima} chiusure; perse o a met\u00e0: "
              + (", ".join(f"{i}:{descrivi(vita.op[i])}={v}" for i, v in scelta.items() if v != "tutto")
                 or "nessuna"))
        print(f"    file: {sorted(g['stato'])}  (cartella {lavoro / 'stati' / k / 'c'})")
    nota = f", {limitati} tagli limitati a {args.deviazioni} scelte diverse" if limitati else ""
    if args.limite == 0:
        nota = ", solo arresti (tutto il gi\u00e0 chiesto resta)"
    print(f"{nome}: tagli {tagli}, stati {stati}, cartelle avviate {len(gruppi)}, falliti {falliti}{nota}",
          flush=True)
    if not args.tieni and not falliti:
        shutil.rmtree(lavoro, ignore_errors=True)
    return falliti


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--vite", default=",".join(VITE))
    p.add_argument("--limite", type=int, default=256,
                   help="combinations per cut point before bounding (0: kills only, every call kept)")
    p.add_argument("--deviazioni", type=int, default=2,
                   help="past the limit: calls kept or lost against all kept or all lost")
    p.add_argument("--paralleli", type=int, default=4)
    p.add_argument("--build", default=str(TOP / "build"))
    p.add_argument("--tieni", action="store_true", help="keep the folders of every state")
    args = p.parse_args()
    if not shutil.which("strace"):
        print("taglio-corrente: manca strace (apt-get install strace)", file=sys.stderr)
        return 77
    # Copies: a build while it runs must not change the program under it.
    programmi = Path(tempfile.mkdtemp(prefix="taglio-programmi-"))
    try:
        for nome in ("quimbo", "simcassa"):
            shutil.copy2(Path(args.build) / nome, programmi / nome)
        args.quimbo, args.simcassa = str(programmi / "quimbo"), str(programmi / "simcassa")
        falliti = sum(esplora(args, v) for v in vite_da_esplorare(args))
    finally:
        shutil.rmtree(programmi, ignore_errors=True)
    print(f"taglio-corrente: {falliti} falliti")
    return 1 if falliti else 0


def vite_da_esplorare(args):
    vite = args.vite.split(",")
    if "disco-pieno" in vite:
        prova = Path(tempfile.mkdtemp(prefix="taglio-prova-"))
        if os.geteuid() != 0 or not monta_piena(prova):
            print("disco-pieno: saltata (serve root e un tmpfs per la cartella piccola)")
            vite.remove("disco-pieno")
        else:
            subprocess.run(["umount", str(prova / "piccola")])
        shutil.rmtree(prova, ignore_errors=True)
    return vite
