"""What a power cut may leave on disk of a life's operations: the file system is the
weakest that keeps its promises. What was written to a file and not yet fsync'ed may be
lost, in whole or in part (half of a write is kept); a rename, unlink, link, creation or
mkdir may be lost until its folder is fsync'ed (both folders for a move); the changes to
one name reach the disk in the order they were made; a rename is atomic; what was synced
stays.

An operation is a tuple: ("crea", folder, name, inode), ("scrivi", inode, offset, bytes),
("tronca", inode, size), ("syncf", inode), ("syncd", folder), ("rinomina", {folders},
old, new), ("collega", {folder}, old, new), ("togli", {folder}, name), ("cartella",
{folder}, name); names relative to the receipt folder, "" for itself."""

import hashlib
import itertools

from taglio.traccia import cartella_di


def incerte(op, taglio):
    """The calls up to `taglio` (excluded) that a power cut may lose: not yet synced."""
    fuori = []
    for i in range(taglio):
        o = op[i]
        if o[0] in ("syncf", "syncd"):
            continue
        if o[0] in ("scrivi", "tronca"):
            salvo = any(p[0] == "syncf" and p[1] == o[1] for p in op[i + 1:taglio])
        else:
            cartelle = {o[1]} if o[0] == "crea" else o[1]
            salvo = all(any(p[0] == "syncd" and p[1] == c for p in op[i + 1:taglio]) for c in cartelle)
        if not salvo:
            fuori.append(i)
    return fuori


def scelte(op, i):
    """What a power cut may leave of a call: lost, kept, and of a write half of it."""
    o = op[i]
    if o[0] == "scrivi" and len(o[3]) > 1:
        return ("perso", "tutto", "meta")
    return ("perso", "tutto")


def nomi_di(o):
    if o[0] == "crea":
        return {o[2]}
    if o[0] in ("rinomina", "collega"):
        return {o[2], o[3]}
    if o[0] in ("togli", "cartella"):
        return {o[2]}
    return set()


def in_ordine(op, dubbie, scelta):
    """Whether a kept change to a name keeps every earlier change to that name."""
    persi = set()
    for i, v in zip(dubbie, scelta):
        nomi = nomi_di(op[i])
        if v != "perso" and nomi & persi:
            return False
        if v == "perso":
            persi |= nomi
    return True


def combinazioni(op, dubbie, limite, deviazioni):
    c, limitato = tutte_le_combinazioni(op, dubbie, limite, deviazioni)
    return [x for x in c if in_ordine(op, dubbie, x)], limitato


def tutte_le_combinazioni(op, dubbie, limite, deviazioni):
    """Every combination, or those within `deviazioni` calls of keeping all or losing
    all; with `limite` 0, keeping all alone (a kill, not a power cut)."""
    if limite == 0:
        return [("tutto",) * len(dubbie)], False
    spazi = [scelte(op, i) for i in dubbie]
    totale = 1
    for s in spazi:
        totale *= len(s)
    if totale <= limite:
        return list(itertools.product(*spazi)), False
    viste = set()
    for base in ("tutto", "perso"):
        for k in range(deviazioni + 1):
            for quali in itertools.combinations(range(len(dubbie)), k):
                for altre in itertools.product(*[[x for x in spazi[q] if x != base] for q in quali]):
                    c = [base] * len(dubbie)
                    for q, v in zip(quali, altre):
                        c[q] = v
                    viste.add(tuple(c))
    return sorted(viste), True


def stato(vita, iniziale, taglio, dubbie, scelta):
    """The folder after the cut: relative name -> bytes (None for a folder)."""
    come = dict(zip(dubbie, scelta))
    nomi = {rel: ino for ino, rel in enumerate(iniziale, start=1)}
    dati = {ino: iniziale[rel] for rel, ino in nomi.items()}
    cartelle = {""} | {r for r, d in iniziale.items() if d is None}
    for i in range(taglio):
        o, v = vita.op[i], come.get(i, "tutto")
        if v == "perso":
            continue
        tipo = o[0]
        if tipo == "crea" and o[1] in cartelle:
            nomi[o[2]] = o[3]
            dati.setdefault(o[3], b"")
        elif tipo == "scrivi":
            b = dati.get(o[1], b"")
            pezzo = o[3][: len(o[3]) // 2] if v == "meta" else o[3]
            b = b.ljust(o[2], b"\0")
            dati[o[1]] = b[: o[2]] + pezzo + b[o[2] + len(pezzo):]
        elif tipo == "tronca":
            dati[o[1]] = dati.get(o[1], b"")[: o[2]]
        elif tipo == "rinomina" and o[2] in nomi and cartella_di(o[3]) in cartelle:
            nomi[o[3]] = nomi.pop(o[2])
        elif tipo == "collega" and o[2] in nomi and cartella_di(o[3]) in cartelle:
            nomi[o[3]] = nomi[o[2]]
        elif tipo == "togli":
            nomi.pop(o[2], None)
        elif tipo == "cartella" and cartella_di(o[2]) in cartelle:
            cartelle.add(o[2])
    fuori = {c: (None, 0) for c in cartelle if c}
    for rel, ino in nomi.items():
        if cartella_di(rel) in cartelle:
            fuori[rel] = (dati.get(ino, b""), ino if ino <= len(iniziale) else 0)
    return fuori


def impronta(s):
    h = hashlib.sha1()
    for rel in sorted(s):
        dati, ino = s[rel]
        h.update(rel.encode() + b"\0" + (b"<dir>" if dati is None else dati) + b"\0%d\0" % ino)
    return h.hexdigest()


def descrivi(o):
    if o[0] in ("scrivi", "tronca", "syncf"):
        return f"{o[0]}(#{o[1]})"
    if o[0] == "syncd":
        return f"fsync({o[1] or '.'}/)"
    return f"{o[0]}({', '.join(str(x) for x in o[2:] if isinstance(x, str))})"
