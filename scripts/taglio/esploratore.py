"""Every state a life's folder may be in after a power cut, grouped by their files (a
state with the same files is started once), with what the register had printed at the
cut; and a folder laid out as a state says."""

import os

from prove import stampe
from taglio.modello import combinazioni, impronta, incerte, stato


def chiusure(vita, fino):
    """How many closings of the receipt went down the line before call `fino`."""
    byte = b"".join(b for pos, b in vita.porta if pos < fino)
    righe, ultimo, i = [], None, 0
    while True:
        i = byte.find(b"\x02", i)
        if i < 0 or i + 3 > len(byte):
            break
        seq, lungo = byte[i + 1], byte[i + 2] - 36
        dati = byte[i + 3:i + 3 + lungo].decode(errors="replace")
        if seq != ultimo:  # a frame sent again after a refusal is one command
            righe.append(dati)
        ultimo, i = seq, i + 3 + max(lungo, 0)
    return stampe("vandoni", righe).get(1, 0)


def stati_della_vita(vita, iniziale, limite, deviazioni):
    """The states after a cut at each call of the life: {fingerprint: {"stato": files,
    "casi": [(cut, choices, closings at the register)]}}, how many states in all, and
    how many cut points were bounded."""
    gruppi, stati, limitati = {}, 0, 0
    for taglio in range(len(vita.op) + 1):
        dubbie = incerte(vita.op, taglio)
        combos, limitato = combinazioni(vita.op, dubbie, limite, deviazioni)
        limitati += limitato
        prima = {chiusure(vita, taglio), chiusure(vita, taglio + 1 if taglio < len(vita.op) else 10**9)}
        for scelta in combos:
            s = stato(vita, iniziale, taglio, dubbie, scelta)
            stati += 1
            g = gruppi.setdefault(impronta(s), {"stato": s, "casi": []})
            g["casi"].append((taglio, dict(zip(dubbie, scelta)), prima))
    return gruppi, stati, limitati


def fotografa(cartella):
    """The folder before the life: its files, and the times of its files by their
    number in the model (a rename keeps a file's time)."""
    fuori, tempi = {}, {}
    for ino, p in enumerate(sorted(cartella.rglob("*")), start=1):
        rel = str(p.relative_to(cartella))
        fuori[rel] = None if p.is_dir() else p.read_bytes()
        tempi[ino] = p.stat().st_mtime_ns
    return fuori, tempi


def disponi(cartella, s, tempi):
    cartella.mkdir(parents=True)
    for rel in sorted(r for r, (d, _) in s.items() if d is None):
        (cartella / rel).mkdir(parents=True, exist_ok=True)
    for rel, (d, ino) in s.items():
        if d is not None:
            (cartella / rel).write_bytes(d)
            # A receipt is known by its name, size and time: the original's time, as
            # a cut leaves it.
            if ino in tempi:
                os.utime(cartella / rel, ns=(tempi[ino], tempi[ino]))
