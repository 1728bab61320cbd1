#!/usr/bin/env python3
"""The figures of the real program read by the real tools: promtool checks the file, and
node_exporter's textfile collector serves it on /metrics. Exit 77 (skipped) where the tools
are missing. Usage: metriche_reali.py BUILD"""

import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "scripts"))
from prove import RICEVUTA, attendi, avvia_cassa  # noqa: E402

ESPORTATORE = shutil.which("prometheus-node-exporter") or shutil.which("node_exporter")


def porta_libera():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main():
    build = Path(sys.argv[1])
    if not shutil.which("promtool") or not ESPORTATORE:
        print("promtool o node_exporter mancanti")
        return 77
    with tempfile.TemporaryDirectory() as t:
        lavoro = Path(t)
        (lavoro / "scontrini").mkdir()
        (lavoro / "raccolta").mkdir()
        cassa, porta = avvia_cassa(str(build / "simcassa"), "vandoni", lavoro / "giornale.txt", [])
        metriche = lavoro / "raccolta" / "quimbo.prom"
        ini = lavoro / "quimbo.ini"
        ini.write_text(f"[Altri parametri]\nRegistratore=Vandoni\nDirPerFile={lavoro / 'scontrini'}\n"
                       f"AttesaTimer=100\nMetriche={metriche}\n[Parametri Seriale]\nDispositivo={porta}\n")
        programma = subprocess.Popen([str(build / "quimbo"), "--headless", str(ini)],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        esportatore = None
        try:
            (lavoro / "scontrini" / "a.sco").write_text(RICEVUTA.format(n=1))
            stampato = 'quimbo_scontrini_total{esito="stampato"} 1'
            if not attendi(lambda: metriche.exists() and stampato in metriche.read_text(), 30):
                print("metriche: nessuno scontrino stampato nel file", metriche.read_text() if metriche.exists() else "")
                return 1
            controllo = subprocess.run(["promtool", "check", "metrics"], input=metriche.read_bytes(),
                                       capture_output=True)
            if controllo.returncode != 0:
                print("promtool:", controllo.stdout.decode(), controllo.stderr.decode())
                return 1
            indirizzo = f"127.0.0.1:{porta_libera()}"
            esportatore = subprocess.Popen(
                [ESPORTATORE, f"--web.listen-address={indirizzo}", "--collector.disable-defaults",
                 "--collector.textfile", f"--collector.textfile.directory={lavoro / 'raccolta'}"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            letto = ""

            def servito():
                nonlocal letto
                try:
                    letto = urllib.request.urlopen(f"http://{indirizzo}/metrics", timeout=2).read().decode()
                except OSError:
                    return False
                return stampato in letto
            if not attendi(servito, 30, 0.2):
                print("node_exporter non serve le metriche di quimbo:", letto[-2000:])
                return 1
            for parola in ("quimbo_scontrini_in_attesa 0", "quimbo_cassa_risponde 1", 'famiglia="Vandoni"',
                           "node_textfile_scrape_error 0"):
                if parola not in letto:
                    print("manca in /metrics:", parola)
                    return 1
            print("metriche: promtool e node_exporter d'accordo")
            return 0
        finally:
            for p in (programma, esportatore):
                if p:
                    p.terminate()
                    p.wait(timeout=10)
            cassa.terminate()
            cassa.wait(timeout=5)


if __name__ == "__main__":
    sys.exit(main())
