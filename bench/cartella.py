#!/usr/bin/env python3
"""How fast the program notices the receipt folder, and what watching it costs when idle.

1. Latency: a receipt is written in a sibling folder and renamed into the receipt
   folder; the time runs from the rename to the first byte on the line. The register
   is this script itself, on the master side of a new pseudo-terminal: it takes every
   sound Vandoni frame with ACK, as a register does, and the next receipt comes a
   random while after the previous one is gone, so that the rename falls anywhere
   against the scan timer. Median, p90 (nearest rank) and maximum in ms.
2. Idle CPU: the folder full of other files (not receipts), nothing to send; the
   program's CPU time (utime + stime of /proc/PID/stat) over a fixed wall time, then
   the same with an empty folder.

Usage: bench/cartella.py [--quimbo PATH] [--ricevute N] [--attesa MS] [--altri N]
                         [--secondi S] [--misure latenza,cpu] [--seed S]
"""

import argparse
import contextlib
import os
import random
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
import tty
from pathlib import Path

TOP = Path(__file__).resolve().parent.parent

STX, ETX, ACK, NAK = 0x02, 0x03, 0x06, 0x15

# One sale of two loaves and cash: 8 Vandoni commands with the two "415" of the
# synchronisation, closed by "420" (cash) and "497".
RICEVUTA = b"00\tPANE\t2\t150\t3\r\n80\tC\t300\t0\t0\t500\r\n"
CHIUSURA = [b"420", b"497"]


class Errore(Exception):
    pass


class Cassa:
    """A Vandoni register on the master side of a new pseudo-terminal.

    The slave stays open here too: with no slave open the master reads EIO at once,
    and select would spin whenever the program has the port closed."""

    def __init__(self):
        self.master, self.schiavo = os.openpty()
        tty.setraw(self.master)
        self.porta = os.ttyname(self.schiavo)
        self.buffer = bytearray()
        self.comandi = []  # the data of every frame taken
        self.scarti = 0  # bytes outside a frame and refused frames
        self.primo = None  # monotonic time of the first byte since `azzera`

    def azzera(self):
        self.primo = None

    def servi(self, attesa):
        """Waits up to `attesa` seconds for bytes and answers the frames they complete."""
        pronti, _, _ = select.select([self.master], [], [], max(attesa, 0))
        if not pronti:
            return
        ora = time.monotonic()
        try:
            dati = os.read(self.master, 4096)
        except OSError:
            time.sleep(min(max(attesa, 0), 0.1))
            return
        if dati and self.primo is None:
            self.primo = ora
        self.buffer += dati
        self._trame()

    def servi_fino(self, termine):
        while (resta := termine - time.monotonic()) > 0:
            self.servi(resta)

    def _trame(self):
        # STX, sequence, length (data + 36), data, ETX, check (sum of STX..ETX mod 128).
        while self.buffer:
            if self.buffer[0] != STX:
                self.scarti += 1
                del self.buffer[0]
                continue
            if len(self.buffer) < 3:
                return
            lunghezza = self.buffer[2] - 36 + 5
            if lunghezza < 5:
                self.scarti += 1
                del self.buffer[0]
                continue
            if len(self.buffer) < lunghezza:
                return
            trama = bytes(self.buffer[:lunghezza])
            del self.buffer[:lunghezza]
            sana = trama[-2] == ETX and sum(trama[:-1]) % 128 == trama[-1]
            if sana:
                self.comandi.append(trama[3:-2])
            else:
                self.scarti += 1
            os.write(self.master, bytes([ACK if sana else NAK]))

    def chiudi(self):
        os.close(self.master)
        os.close(self.schiavo)


class Programma:
    """`quimbo --headless INI` on a receipt folder of its own, with `cassa` as its port."""

    def __init__(self, quimbo, lavoro, cartella, cassa, attesa):
        self.uscita = lavoro / "quimbo.out"
        ini = lavoro / "quimbo.ini"
        ini.write_text(f"[Altri parametri]\nRegistratore=Vandoni\nDirPerFile={cartella}\n"
                       f"AttesaTimer={attesa}\nTempoMaxRisposta=5\n"
                       f"[Parametri Seriale]\nDispositivo={cassa.porta}\nSettings=9600,e,7,1\n")
        with open(self.uscita, "wb") as uscita:
            self.p = subprocess.Popen([quimbo, "--headless", str(ini)], stdin=subprocess.DEVNULL,
                                      stdout=uscita, stderr=subprocess.STDOUT)

    def vivo(self):
        if self.p.poll() is not None:
            raise Errore(f"quimbo e' uscito con codice {self.p.returncode}:\n{self.coda()}")

    def coda(self):
        try:
            return "".join(self.uscita.read_text(errors="replace").splitlines(True)[-15:])
        except OSError:
            return ""

    def cpu(self):
        """utime + stime in seconds."""
        with open(f"/proc/{self.p.pid}/stat") as f:
            campi = f.read().rsplit(")", 1)[1].split()
        return (int(campi[11]) + int(campi[12])) / os.sysconf("SC_CLK_TCK")

    def ferma(self):
        if self.p.poll() is None:
            self.p.send_signal(signal.SIGTERM)
            try:
                self.p.wait(timeout=15)
            except subprocess.TimeoutExpired:
                self.p.kill()
                self.p.wait()
        return self.p.returncode


@contextlib.contextmanager
def banco(nome):
    """A scratch folder with the receipt folder and a sibling on the same filesystem
    (so the rename is atomic), and the register; all gone afterwards, the program too."""
    lavoro = Path(tempfile.mkdtemp(prefix=f"quimbo-cartella-{nome}-"))
    (lavoro / "scontrini").mkdir()
    (lavoro / "in_arrivo").mkdir()
    cassa = Cassa()
    programmi = []
    try:
        yield lavoro, cassa, programmi
    finally:
        for programma in programmi:
            programma.ferma()
        cassa.chiudi()
        shutil.rmtree(lavoro)


def concludi(programma, cassa, cartella):
    """The run was sound: nothing set aside or logged, no broken frame, a clean stop."""
    for nome in ("errori.txt", "badscont.bad"):
        if (cartella / nome).exists():
            raise Errore(f"{nome} nella cartella degli scontrini:\n"
                         + (cartella / nome).read_text(errors="replace")[-2000:])
    if cassa.scarti:
        raise Errore(f"{cassa.scarti} byte o trame guaste sulla linea")
    codice = programma.ferma()
    if codice != 0:
        raise Errore(f"quimbo e' uscito con codice {codice} dopo SIGTERM:\n{programma.coda()}")


def latenza(args, rnd):
    periodo = args.attesa / 1000
    tempi = []
    with banco("latenza") as (lavoro, cassa, programmi):
        cartella, arrivo = lavoro / "scontrini", lavoro / "in_arrivo"
        programma = Programma(args.quimbo, lavoro, cartella, cassa, args.attesa)
        programmi.append(programma)
        cassa.servi_fino(time.monotonic() + 1)
        programma.vivo()
        if cassa.comandi or cassa.scarti:
            raise Errore("byte sulla linea prima di ogni scontrino")
        for i in range(args.ricevute):
            cassa.servi_fino(time.monotonic() + rnd.uniform(0, periodo))
            nome = f"r{i:05d}.sco"
            (arrivo / nome).write_bytes(RICEVUTA)
            prima = len(cassa.comandi)
            cassa.azzera()
            os.rename(arrivo / nome, cartella / nome)
            t0 = time.monotonic()
            # Two periods cover any phase and a slow scan; the rest is the receipt itself.
            termine = t0 + 2 * periodo + 30
            while (cartella / nome).exists():
                if time.monotonic() > termine:
                    raise Errore(f"{nome} ancora nella cartella dopo {termine - t0:.0f} s:\n"
                                 + programma.coda())
                programma.vivo()
                cassa.servi(0.02)
            if cassa.primo is None or cassa.primo < t0:
                raise Errore(f"{nome} sparito senza un byte sulla linea dopo il rinomina")
            if cassa.comandi[prima:][-2:] != CHIUSURA:
                raise Errore(f"{nome}: la cassa non ha ricevuto la chiusura: {cassa.comandi[prima:]}")
            tempi.append((cassa.primo - t0) * 1000)
        concludi(programma, cassa, cartella)
    ordinati = sorted(tempi)
    p90 = ordinati[-(-len(ordinati) * 9 // 10) - 1]
    print(f"latenza dal rinomina al primo byte, {len(tempi)} scontrini, AttesaTimer={args.attesa}: "
          f"mediana {statistics.median(tempi):.1f} ms, p90 {p90:.1f} ms, max {ordinati[-1]:.1f} ms "
          f"(min {ordinati[0]:.1f} ms)", flush=True)


def cpu_a_riposo(args, altri):
    with banco("cpu") as (lavoro, cassa, programmi):
        cartella = lavoro / "scontrini"
        for i in range(1, altri + 1):
            os.close(os.open(cartella / f"altro_{i:06d}.txt", os.O_WRONLY | os.O_CREAT, 0o644))
        programma = Programma(args.quimbo, lavoro, cartella, cassa, args.attesa)
        programmi.append(programma)
        cassa.servi_fino(time.monotonic() + 2)
        programma.vivo()
        c0, t0 = programma.cpu(), time.monotonic()
        cassa.servi_fino(t0 + args.secondi)
        c1, t1 = programma.cpu(), time.monotonic()
        programma.vivo()
        if cassa.comandi or cassa.scarti:
            raise Errore("byte sulla linea senza scontrini da mandare")
        concludi(programma, cassa, cartella)
    quota = (c1 - c0) / (t1 - t0)
    print(f"CPU a riposo, {altri} altri file, AttesaTimer={args.attesa}: {quota * 100:.2f} %, "
          f"{quota * 1000:.2f} ms di CPU al secondo ({c1 - c0:.2f} s di CPU in {t1 - t0:.1f} s)", flush=True)


def main():
    a = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    a.add_argument("--quimbo", default=str(TOP / "build" / "quimbo"))
    a.add_argument("--ricevute", type=int, default=20, help="receipts for the latency (20)")
    a.add_argument("--attesa", type=int, default=4000, help="AttesaTimer in ms (4000)")
    a.add_argument("--altri", type=int, default=100000, help="other files for the idle CPU (100000)")
    a.add_argument("--secondi", type=float, default=30, help="wall time of each CPU measure (30)")
    a.add_argument("--misure", default="latenza,cpu", help="which measures (latenza,cpu)")
    a.add_argument("--seed", type=int, default=None, help="random seed of the gaps (from the clock)")
    args = a.parse_args()
    misure = set(args.misure.split(","))
    if not misure <= {"latenza", "cpu"} or args.ricevute < 1 or args.attesa < 1 or args.secondi <= 0:
        a.error("valori non validi")
    if not os.access(args.quimbo, os.X_OK):
        a.error(f"{args.quimbo} non e' un eseguibile")
    seme = args.seed if args.seed is not None else int(time.time())
    print(f"cartella: {args.quimbo}, seme {seme}", flush=True)
    try:
        if "latenza" in misure:
            latenza(args, random.Random(seme))
        if "cpu" in misure:
            cpu_a_riposo(args, args.altri)
            cpu_a_riposo(args, 0)
    except Errore as e:
        print(f"cartella: {e}", file=sys.stderr)
        sys.exit(1)


if __name__ == "__main__":
    main()
