"""End to end under wine: the Windows quimbo.exe --headless against the native
simcassa, family by family. The simulator's pseudo-terminal is mapped as COM1 and a
temporary folder as drive F:, so that the defaults ("CommPort" 1 aside) are used as
they stand: the receipts in f:\\quimbo, quimbo.ini beside quimbo.exe.

Per family: a whole receipt reaches the register command for command and its file
goes; a receipt with a bad line is set aside with nothing sent; a stop (Ctrl+C)
during a payment lets the receipt finish; a kill during a payment and a restart print
nothing twice; a receipt held open by its writer waits quietly. The window, on an X server of its own: it shows what went to the
register, asks the operator when the register keeps refusing, and "&FINE" ends it;
its picture is left in BUILD-WIN/artefatti. Needs WINEPREFIX set to a fresh prefix
(scripts/test-windows does it), and DISPLAY set when the prefix was prepared on a display
(else it starts an X server).

Usage: scripts/prova-windows BUILD-WIN BUILD-LINUX
"""

import os
import shutil
import signal
import subprocess
import struct
import sys
import tempfile
import time
from pathlib import Path

import prove
from prove import WINE, attendi, verifica, wine

TOP = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(TOP / "win"))
import icona  # noqa: E402  (the icon drawer's PNG writer)

# The soak's receipt (its number in the description, cash with an amount tendered), and
# what the register's journal shows of it, per family.
RICEVUTA = prove.RICEVUTA.format(n=1)
GIORNALI = {
    "vandoni": ["415", "415", "2R00001         000001.5011", "419", "40050", "420", "497"],
    "frontiera": ["K (sincronizzazione)", "\"R00001    \"1.5H1R (vendita)", "= (totale)",
                  "2H1T (contanti, con il dato)"],
    "olivetti": ["$1322 (apertura)", "$1325#1.5&R00001  !0 (vendita: 1.5 | R00001 |  |  | 0)",
                 "$1329!2(Contanti (pagamento: 2 | Contanti)", "$1323 (chiusura)"],
    "kabel": ["1.5\"R00001\"X (vendita)", "2= (contanti)"],
}
GUASTA = "00\tPANE\t1\t1\t1\r\n00\tLATTE\t1\tuno\t1\r\n80\tC\t2\t0\t0\r\n"


class Banco:
    """One family's register, port mapping, folders and program."""

    def __init__(self, famiglia, build_win, simcassa, lavoro):
        self.famiglia, self.simcassa = famiglia, simcassa
        self.lavoro = lavoro / famiglia
        self.bin = self.lavoro / "bin"
        self.cartella = self.lavoro / "f" / "quimbo"
        self.giornale = self.lavoro / "giornale.txt"
        self.bin.mkdir(parents=True)
        self.cartella.mkdir(parents=True)
        shutil.copy(build_win / "quimbo.exe", self.bin)
        shutil.copy(build_win / "sonda.exe", self.bin)
        dosdevices = Path(os.environ["WINEPREFIX"]) / "dosdevices"
        for nome, dove in (("f:", self.lavoro / "f"),):
            (dosdevices / nome).unlink(missing_ok=True)
            (dosdevices / nome).symlink_to(dove)
        self.cassa = None
        self.programma = None

    def accendi(self, *guasti, attesa=100):
        self.cassa, self.porta = prove.avvia_cassa(self.simcassa, self.famiglia, self.giornale, list(guasti))
        self.mappa_com1()
            # A pseudo-terminal takes no parity and no 7 data bits (the kernel refuses them):
        # the line's settings are left out of what this proves.
        (self.bin / "quimbo.ini").write_text(
            f"[Altri parametri]\r\nRegistratore={self.famiglia.capitalize()}\r\nAttesaTimer={attesa}\r\n"
            f"TempoMaxRisposta=10\r\n[Parametri Seriale]\r\nCommPort=1\r\nSettings=1200,n,8,1\r\n")

    def mappa_com1(self):
        prove.mappa_com1(self.porta)

    def avvia(self, finestra=False):
        # A wineserver that went away (one a stopped program had started, in its own
        # process group, goes with it) takes the prefix's state with it: made again
        # before the program starts.
        if not prove.server_vivo():
            print("prova-windows: wineserver sparito, lo riavvio", flush=True)
            prove.prepara_wine()
            self.mappa_com1()
        self.uscita = open(self.lavoro / "uscita.txt", "ab")
        comando = [WINE, "quimbo.exe"] + ([] if finestra else ["--headless"])
        self.programma = subprocess.Popen(comando, cwd=self.bin, stdout=self.uscita, stderr=subprocess.STDOUT,
                                          start_new_session=True)

    def sonda(self, *argomenti):
        """What sonda.exe says of the window, or None when it found nothing."""
        codice, testo = wine("sonda.exe", *argomenti, cwd=self.bin)
        return testo if codice == 0 else None

    def ferma(self, segnale=signal.SIGINT, attesa=30):
        """Stops the program with `segnale` (None: it was asked otherwise); its exit code."""
        if segnale is not None:
            os.killpg(self.programma.pid, segnale)
        try:
            return self.programma.wait(timeout=attesa)
        except subprocess.TimeoutExpired:
            return None
        finally:
            self.uscita.close()

    def spegni(self):
        if self.programma and self.programma.poll() is None:
            self.ferma(signal.SIGKILL)
        if self.cassa:
            prove.lascia_finire(self.cassa, self.giornale)
            self.cassa = None

    def righe(self):
        return self.giornale.read_text(encoding="utf-8", errors="replace").splitlines() \
            if self.giornale.exists() else []


def intera_e_guasta(b, esiti):
    b.accendi()
    (b.cartella / "a.sco").write_bytes(RICEVUTA.encode())
    (b.cartella / "b.sco").write_bytes(GUASTA.encode())
    b.avvia()
    via = attendi(lambda: not (b.cartella / "a.sco").exists() and not (b.cartella / "b.sco").exists())
    codice = b.ferma()
    b.spegni()
    atteso = GIORNALI[b.famiglia]
    if not verifica(via and b.righe() == atteso and codice == 0,
                    f"{b.famiglia}: scontrino intero, file tolto, uscita {codice}: {b.righe()}", esiti):
        print((b.lavoro / "uscita.txt").read_text(errors="replace")[-2000:], flush=True)
    guasta = b.cartella / "badscont.bad"
    verifica(guasta.exists() and guasta.read_bytes() == GUASTA.encode(),
             f"{b.famiglia}: scontrino con una riga guasta messo da parte senza nulla inviato", esiti)


def stampato(b):
    return prove.stampe(b.famiglia, b.righe()).get(1, 0)


def arresto_nel_pagamento(b, esiti, segnale, finestra=False):
    """SIGINT is Ctrl+C for the console program, and the close box for the window;
    SIGKILL a crash, then a restart."""
    b.giornale.unlink(missing_ok=True)
    # Frontiera never answers: only its flow control's holds make the payment last.
    b.accendi("--baud", "1200", *(["--dc3-ogni", "2", "--dc3-durata", "0.3"] if b.famiglia == "frontiera" else []))
    (b.cartella / "c.sco").write_bytes(RICEVUTA.encode())
    b.avvia(finestra)
    if finestra:
        # The close box at the payment's start: the window must stay until the receipt ends.
        pagamento = b.sonda("chiudi-al", r"F:\quimbo\pagamento.txt") == "aperta"
        codice = b.ferma(None)
    else:
        # Looked for often: a payment whose register ignores its own holds is short.
        pagamento = attendi(lambda: (b.cartella / "pagamento.txt").exists(), 30, passo=0.005)
        codice = b.ferma(segnale)
    if segnale == signal.SIGKILL:
        b.avvia()
        attendi(lambda: not (b.cartella / "c.sco").exists(), 30)
        b.ferma()
    b.spegni()
    volte = stampato(b)
    nome = "la chiusura della finestra" if finestra else "Ctrl+C" if segnale == signal.SIGINT \
        else "uccisione e riavvio"
    if segnale == signal.SIGINT:
        resta = (b.cartella / "c.sco").exists()
        verifica(pagamento and volte == 1 and not resta and codice == 0,
                 f"{b.famiglia}: {nome} durante il pagamento (visto: {pagamento}): scontrino finito (stampato "
                 f"{volte}, file {'rimasto' if resta else 'tolto'}), uscita {codice}, giornale {b.righe()}", esiti)
    else:
        # Set aside in doubt: scartati/*_in_dubbio_*, to be checked against the register's journal.
        dubbio = any(b.cartella.glob("scartati/*_in_dubbio_*"))
        verifica(pagamento and volte <= 1 and (volte == 1 or dubbio) and not (b.cartella / "c.sco").exists(),
                 f"{b.famiglia}: {nome} durante il pagamento: stampato {volte} volte", esiti)


def sorveglianza(b, esiti):
    """With a timer of a minute, a receipt renamed into the folder after the start goes
    at once: the folder's watch asked for the scan."""
    b.giornale.unlink(missing_ok=True)
    b.accendi(attesa=60000)
    (b.lavoro / "uscita.txt").unlink(missing_ok=True)
    b.avvia()
    attendi(lambda: (b.lavoro / "uscita.txt").exists() and b"Avvio" in (b.lavoro / "uscita.txt").read_bytes(), 20)
    time.sleep(1)
    (b.lavoro / "w.tmp").write_bytes(RICEVUTA.encode())
    os.replace(b.lavoro / "w.tmp", b.cartella / "w.sco")
    inizio = time.monotonic()
    via = attendi(lambda: not (b.cartella / "w.sco").exists(), 20)
    secondi = time.monotonic() - inizio
    b.ferma()
    b.spegni()
    verifica(via and secondi < 10, f"{b.famiglia}: scontrino arrivato dopo l'avvio inviato in {secondi:.1f} s "
             "(timer di 60 s)", esiti)


def in_uso(b, esiti):
    """A receipt written over seconds by a program that shares nothing while it writes:
    the scans meanwhile meet a sharing violation, wait without a word and send it once
    it is whole."""
    b.giornale.unlink(missing_ok=True)
    b.accendi()
    errori = b.cartella / "errori.txt"
    errori.unlink(missing_ok=True)
    (b.bin / "ricevuta.txt").write_bytes(RICEVUTA.encode())
    b.avvia()
    codice, _ = wine("sonda.exe", "tieni", r"F:\quimbo\w.sco", "ricevuta.txt", "5000", cwd=b.bin)
    via = attendi(lambda: not (b.cartella / "w.sco").exists(), 30)
    b.ferma()
    b.spegni()
    detto = errori.read_text(encoding="cp1252", errors="replace") if errori.exists() else ""
    volte = stampato(b)
    verifica(codice == 0 and via and volte == 1 and "w.sco" not in detto,
             f"{b.famiglia}: scontrino tenuto aperto per 5 s da chi lo scrive: stampato {volte} volta, "
             f"errori.txt: {detto.strip()[-300:]!r}", esiti)


def come_servizio(b, esiti):
    """Installed as a service, started with net start, a receipt printed, stopped with
    net stop and removed: the Service Control Manager's side under wine."""
    b.giornale.unlink(missing_ok=True)
    b.accendi()
    nome = "QuimboProva" + b.famiglia.capitalize()
    codice, testo = wine("quimbo.exe", "--installa-servizio", nome, cwd=b.bin)
    verifica(codice == 0, f"{b.famiglia}: servizio installato: {testo}", esiti)
    codice, testo = wine("net", "start", nome)
    (b.cartella / "s.sco").write_bytes(RICEVUTA.encode())
    via = attendi(lambda: not (b.cartella / "s.sco").exists(), 30)
    _, stato = wine("sc", "query", nome)
    verifica(via and "RUNNING" in stato and b.righe() == GIORNALI[b.famiglia],
             f"{b.famiglia}: servizio avviato ({testo}), scontrino stampato: {b.righe()}", esiti)
    codice, testo = wine("net", "stop", nome)
    fermo = attendi(lambda: "STOPPED" in wine("sc", "query", nome)[1], 30)
    verifica(codice == 0 and fermo, f"{b.famiglia}: servizio fermato: {testo}", esiti)
    codice, testo = wine("quimbo.exe", "--rimuovi-servizio", nome, cwd=b.bin)
    verifica(codice == 0, f"{b.famiglia}: servizio rimosso: {testo}", esiti)
    b.spegni()


def png_da_bmp(bmp, png):
    """sonda's 24-bit picture (rows from the bottom) as a PNG."""
    d = bmp.read_bytes()
    inizio, = struct.unpack_from("<I", d, 10)
    largo, alto = struct.unpack_from("<ii", d, 18)
    passo = (largo * 3 + 3) & ~3
    righe = []
    for y in range(alto - 1, -1, -1):
        r = d[inizio + y * passo: inizio + y * passo + largo * 3]
        righe.append(bytes(b for i in range(0, len(r), 3) for b in (r[i + 2], r[i + 1], r[i])))
    png.write_bytes(icona.png(largo, alto, righe, 3))


def finestra(b, esiti, artefatti):
    """The window shows the last command sent, its picture is taken, "&FINE" ends it."""
    b.giornale.unlink(missing_ok=True)
    b.accendi()
    (b.cartella / "f.sco").write_bytes(RICEVUTA.encode())
    b.avvia(finestra=True)
    visibile = attendi(lambda: b.sonda("visibile") is not None, 60)
    # The file leaves the queue before its first command: the display is waited for.
    via = attendi(lambda: not (b.cartella / "f.sco").exists(), 30)
    attendi(lambda: "497" in (b.sonda("testo", "TxtManda") or ""), 30)
    manda = b.sonda("testo", "TxtManda") or ""
    titolo, tipo = b.sonda("testo", "titolo"), b.sonda("testo", "txtTipo")
    verifica(visibile and via and "497" in manda and titolo == "Gestione Registratore di Cassa (Vandoni)"
             and tipo == "Vandoni", f"finestra: {titolo!r} mostra l'ultimo comando mandato: {manda!r}", esiti)
    artefatti.mkdir(exist_ok=True)
    if b.sonda("foto", "finestra.bmp") is not None:
        png_da_bmp(b.bin / "finestra.bmp", artefatti / "finestra-windows.png")
    # Accents from the window's wide text to the line's Windows-1252 and back.
    b.sonda("scrivi", "txtProva", "PROVA CAFFÈ")
    b.sonda("premi", "comTest")
    inviata = attendi(lambda: "PROVA CAFFÈ" in b.righe(), 20)
    manda = b.sonda("testo", "TxtManda") or ""
    verifica(inviata and "PROVA CAFFÈ" in manda, f"finestra: InviaTest con accenti: {b.righe()[-1:]}, {manda!r}",
             esiti)
    b.sonda("premi", "Command1")
    codice = b.ferma(None)
    b.spegni()
    verifica(codice == 0, f"finestra: \"&FINE\" chiude il programma, uscita {codice}", esiti)


def domanda(b, esiti):
    """A register that refuses everything: the operator is asked, gives up, and the
    receipt is set aside with its file gone from the queue."""
    b.giornale.unlink(missing_ok=True)
    b.accendi("--rifiuta", "1000000")
    (b.cartella / "d.sco").write_bytes(RICEVUTA.encode())
    b.avvia(finestra=True)
    domande = []
    fine = time.monotonic() + 90
    while (b.cartella / "d.sco").exists() and time.monotonic() < fine and len(domande) < 10:
        testo = b.sonda("domanda")
        if testo is None:
            time.sleep(0.3)
            continue
        domande.append(testo)
        # Three buttons: the receipt's box, given up with Cancel; two: the unlock's, No.
        b.sonda("rispondi", "ANNULLA" if "Interrompo" in testo else "NO")
        attendi(lambda: b.sonda("domanda") is None, 10)
    da_parte = (b.cartella / "badscont.bad").exists() or any((b.cartella / "scartati").glob("*"))
    chiesto = bool(domande) and all(d.startswith("Invio Scontrini alle casse\n") for d in domande) \
        and any("Verificati 3 errori in trasmissione" in d and "Interrompo" in d for d in domande)
    b.sonda("premi", "Command1")
    codice = b.ferma(None)
    b.spegni()
    verifica(chiesto and not (b.cartella / "d.sco").exists() and da_parte and codice == 0,
             f"finestra: la cassa rifiuta, l'operatore rinuncia ({len(domande)} domande: "
             f"{domande[-1:]!r}), scontrino messo da parte, uscita {codice}", esiti)


def main():
    build_win, build_linux = Path(sys.argv[1]), Path(sys.argv[2])
    x = prove.schermo()
    prove.prepara_wine()
    esiti = []
    with tempfile.TemporaryDirectory(prefix="quimbo-windows-") as t:
        lavoro = Path(t)
        for famiglia in GIORNALI:
            b = Banco(famiglia, build_win, build_linux / "simcassa", lavoro)
            try:
                intera_e_guasta(b, esiti)
                arresto_nel_pagamento(b, esiti, signal.SIGINT)
                arresto_nel_pagamento(b, esiti, signal.SIGKILL)
                if famiglia == "vandoni":
                    sorveglianza(b, esiti)
                    in_uso(b, esiti)
                    come_servizio(b, esiti)
                    finestra(b, esiti, build_win / "artefatti")
                    arresto_nel_pagamento(b, esiti, signal.SIGINT, finestra=True)
                    domanda(b, esiti)
            finally:
                b.spegni()
    if x:
        x.terminate()
    falliti = [m for ok, m in esiti if not ok]
    print(f"prova-windows: superate {len(esiti) - len(falliti)}, fallite {len(falliti)}")
    sys.exit(1 if falliti else 0)


if __name__ == "__main__":
    main()
