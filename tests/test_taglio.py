"""The power-cut model on small hand-written lives: for each rule of the file system it
assumes, the folder states a cut must produce and those it must not."""

import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "scripts"))
from taglio.modello import combinazioni, incerte, stato  # noqa: E402


class Vita:
    def __init__(self, op):
        self.op = op


def stati(iniziale, op, taglio=None):
    """Every folder a cut after `taglio` calls (all of them by default) may leave:
    frozensets of (name, bytes)."""
    vita, taglio = Vita(op), len(op) if taglio is None else taglio
    dubbie = incerte(op, taglio)
    combos, _ = combinazioni(op, dubbie, 256, 2)
    return {frozenset((n, d) for n, (d, _) in stato(vita, iniziale, taglio, dubbie, c).items()) for c in combos}


def cartella(**file):
    return frozenset((n.replace("__", "/"), d) for n, d in file.items())


A = {"a": b"x"}  # one file, on disk before the life (inode 1)
CON_S = {"a": b"x", "s": None}  # and a folder s/

# One row per rule: the initial folder, the life, what a cut after it must be able to
# leave, and what it must never leave.
REGOLE = [
    ("dati non sincronizzati persi in tutto o in parte", A, [("scrivi", 1, 0, b"abcd")],
     [cartella(a=b"x"), cartella(a=b"abcd"), cartella(a=b"ab")],
     [cartella()]),
    ("dati sincronizzati restano", A, [("scrivi", 1, 0, b"abcd"), ("syncf", 1)],
     [cartella(a=b"abcd")], [cartella(a=b"x"), cartella(a=b"ab")]),
    ("un nome nuovo perso finche' la sua cartella non e' sincronizzata", A,
     [("rinomina", {""}, "a", "b")], [cartella(a=b"x"), cartella(b=b"x")], []),
    ("un nome nuovo sincronizzato resta", A, [("rinomina", {""}, "a", "b"), ("syncd", "")],
     [cartella(b=b"x")], [cartella(a=b"x")]),
    ("uno spostamento vuole sincronizzate tutte e due le cartelle", CON_S,
     [("rinomina", {"", "s"}, "a", "s/a"), ("syncd", "s")],
     [cartella(a=b"x", s=None), cartella(s=None, s__a=b"x")], []),
    ("uno spostamento con le due cartelle sincronizzate resta", CON_S,
     [("rinomina", {"", "s"}, "a", "s/a"), ("syncd", "s"), ("syncd", "")],
     [cartella(s=None, s__a=b"x")], [cartella(a=b"x", s=None)]),
    ("una rinomina e' atomica: mai due nomi, mai nessuno", A, [("rinomina", {""}, "a", "b")],
     [], [cartella(a=b"x", b=b"x"), cartella()]),
    ("un file creato e scritto senza sincronizzazione puo' sparire o restare vuoto", {},
     [("crea", "", "n", 1), ("scrivi", 1, 0, b"zz")],
     [cartella(), cartella(n=b""), cartella(n=b"zz")], []),
    ("un file tolto puo' tornare finche' la cartella non e' sincronizzata", A, [("togli", {""}, "a")],
     [cartella(), cartella(a=b"x")], []),
]


class Modello(unittest.TestCase):
    def test_regole(self):
        for nome, iniziale, op, devono, mai in REGOLE:
            with self.subTest(nome):
                visti = stati(iniziale, op)
                for s in devono:
                    self.assertIn(s, visti)
                for s in mai:
                    self.assertNotIn(s, visti)

    def test_i_cambi_di_un_nome_arrivano_in_ordine(self):
        # Creating a name, then renaming it: the rename kept with the creation lost is
        # no order a journal allows.
        op = [("crea", "", "t", 2), ("rinomina", {""}, "t", "f")]
        combos, _ = combinazioni(op, incerte(op, 2), 256, 2)
        self.assertIn(("tutto", "perso"), combos)
        self.assertIn(("tutto", "tutto"), combos)
        self.assertNotIn(("perso", "tutto"), combos)

    def test_un_taglio_prima_di_una_chiamata_la_ignora(self):
        self.assertEqual(stati(A, [("togli", {""}, "a")], taglio=0), {cartella(a=b"x")})


if __name__ == "__main__":
    unittest.main()
