#!/usr/bin/env python3
"""Receipts per second at 1200 baud, per family: quimbo.exe --headless under wine
beside the Linux quimbo --headless, against the same native simcassa --baud 1200.
N receipt files are written before the start; the time runs from the program's
start until the last one is gone (so the Windows figure carries wine's start-up).

Needs WINEPREFIX set to a prefix of its own (it maps COM1 and F: there).
Usage: bench/windows.py BUILD-WIN BUILD-LINUX [--ricevute N]
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time
from pathlib import Path

TOP = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(TOP / "scripts"))
import prova_windows as prova  # noqa: E402
import prove  # noqa: E402


def misura(banco, comando, cwd, n):
    for i in range(n):
        (banco.cartella / f"r{i:03d}.sco").write_bytes(prove.RICEVUTA.format(n=i + 1).encode())
    inizio = time.monotonic()
    p = subprocess.Popen(comando, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        prove.attendi(lambda: not any(banco.cartella.glob("*.sco")), 600)
        return n / (time.monotonic() - inizio)
    finally:
        # Never left behind: a program still running would open a later test's port.
        p.terminate()
        p.wait(timeout=30)


def main():
    a = argparse.ArgumentParser()
    a.add_argument("build_win", type=Path)
    a.add_argument("build_linux", type=Path)
    a.add_argument("--ricevute", type=int, default=10)
    args = a.parse_args()
    args.build_win, args.build_linux = args.build_win.resolve(), args.build_linux.resolve()
    prove.prepara_wine()
    print(f"{'famiglia':10} {'Linux':>12} {'wine':>12}   (scontrini al secondo, 1200 baud, {args.ricevute} scontrini)")
    with tempfile.TemporaryDirectory(prefix="quimbo-bench-") as t:
        for famiglia in prova.GIORNALI:
            b = prova.Banco(famiglia, args.build_win, args.build_linux / "simcassa", Path(t))
            try:
                b.accendi("--baud", "1200")
                ini = b.bin / "linux.ini"
                ini.write_text((b.bin / "quimbo.ini").read_text().replace("CommPort=1", "Dispositivo=" + os.readlink(
                    prove.porta_com1())) + f"[Altri parametri]\r\nDirPerFile={b.cartella}\r\n")
                linux = misura(b, [str(args.build_linux / "quimbo"), "--headless", str(ini)], b.bin, args.ricevute)
                wine = misura(b, [prove.WINE, "quimbo.exe", "--headless"], b.bin, args.ricevute)
                print(f"{famiglia:10} {linux:12.2f} {wine:12.2f}")
            finally:
                b.spegni()


if __name__ == "__main__":
    main()
