"""The calls of the real program on the receipt folder, from strace's output, as
operations on a model of the folder."""

import re
from pathlib import Path

CHIAMATE = ("openat,creat,write,pwrite64,ftruncate,rename,renameat,renameat2,link,linkat,unlink,unlinkat,"
            "mkdir,mkdirat,rmdir,fsync,fdatasync")


def decodifica(s):
    return bytes(int(h, 16) for h in re.findall(r"\\x([0-9a-f]{2})", s))


def argomenti(s):
    fuori, cur, i, livello = [], "", 0, 0
    while i < len(s):
        c = s[i]
        if c in "\"<":
            j = s.index('"' if c == '"' else ">", i + 1)
            cur, i = cur + s[i:j + 1], j + 1
            continue
        livello += c in "[{"
        livello -= c in "]}"
        if c == "," and livello == 0:
            fuori.append(cur.strip())
            cur = ""
        else:
            cur += c
        i += 1
    if cur.strip():
        fuori.append(cur.strip())
    return fuori


def valore(a):
    """A quoted string's bytes; a descriptor as (number, path); anything else as text."""
    if a.startswith('"'):
        return decodifica(a)
    m = re.match(r"(-?\w+)<(.*)>$", a)
    if m:
        return (m.group(1), decodifica(m.group(2)).decode(errors="replace"))
    return a


RIGA = re.compile(r"^(\d+)\s+(\w+)\((.*)\)\s+=\s+(-?\d+)(?:<([^>]*)>)?")


def chiamate(traccia):
    sospese = {}  # pid -> the beginning of a call another thread's call cut in two
    for riga in Path(traccia).read_text(errors="replace").splitlines():
        pid = riga.split(" ", 1)[0]
        if riga.endswith("<unfinished ...>"):
            sospese[pid] = riga[: -len("<unfinished ...>")].rstrip()
            continue
        ripresa = re.match(r"^(\d+)\s+<\.\.\. \w+ resumed>(.*)$", riga)
        if ripresa and pid in sospese:
            riga = sospese.pop(pid) + ripresa.group(2)
        m = RIGA.match(riga)
        if m:
            _, nome, a, ritorno, _ = m.groups()
            yield nome, [valore(x) for x in argomenti(a)], int(ritorno)


class Vita:
    """The calls of a recorded life on the folder, as operations on a model of it."""

    def __init__(self, cartella, iniziale):
        self.dir = str(cartella)
        self.op = []        # (kind, ...) in order
        self.porta = []     # (position in self.op, bytes) of each write to the port
        self.nomi = {}      # the folder as it stands: relative name -> inode
        self.prossimo = 0
        self.fd = {}        # descriptor -> ("f", inode) / ("d", relative dir)
        self.posizione = {}
        self.aggiunte = set()  # descriptors opened to append
        self.dimensioni = {}   # inode -> its size as the program sees it
        for rel, dati in iniziale.items():
            self.nomi[rel] = self.nuovo()
            self.dimensioni[self.nomi[rel]] = len(dati or b"")

    def nuovo(self):
        self.prossimo += 1
        return self.prossimo

    def rel(self, percorso):
        p = percorso if isinstance(percorso, str) else percorso.decode(errors="replace")
        if p == self.dir:
            return ""
        return p[len(self.dir) + 1:] if p.startswith(self.dir + "/") else None

    def aggiungi(self, traccia):
        """Adds a process's trace: its descriptors are its own."""
        self.fd, self.posizione = {}, {}
        for nome, a, r in chiamate(traccia):
            getattr(self, "c_" + nome, lambda a, r: None)(a, r)

    def c_openat(self, a, r):
        if r < 0:
            return
        rel = self.rel(a[1])
        if rel is None:
            if isinstance(a[1], bytes) and a[1].startswith(b"/dev/pts/"):
                self.fd[str(r)] = ("porta",)
            return
        flag = a[2]
        if "O_DIRECTORY" in flag:
            self.fd[str(r)] = ("d", rel)
            return
        if rel not in self.nomi:
            self.nomi[rel] = self.nuovo()
            self.op.append(("crea", cartella_di(rel), rel, self.nomi[rel]))
        elif "O_TRUNC" in flag:
            self.op.append(("tronca", self.nomi[rel], 0))
        ino = self.nomi[rel]
        if "O_TRUNC" in flag or ino not in self.dimensioni:
            self.dimensioni[ino] = 0
        self.fd[str(r)] = ("f", ino)
        self.posizione[str(r)] = 0
        if "O_APPEND" in flag:
            self.aggiunte.add(str(r))
        else:
            self.aggiunte.discard(str(r))

    def c_write(self, a, r, dove=None):
        if r < 0 or not isinstance(a[0], tuple):
            return
        fd = self.fd.get(a[0][0])
        if fd and fd[0] == "porta":
            self.porta.append((len(self.op), a[1][:r]))
        elif fd and fd[0] == "f":
            if dove is None and a[0][0] in self.aggiunte:
                inizio = self.dimensioni[fd[1]]
            else:
                inizio = self.posizione[a[0][0]] if dove is None else dove
            self.op.append(("scrivi", fd[1], inizio, a[1][:r]))
            self.dimensioni[fd[1]] = max(self.dimensioni[fd[1]], inizio + r)
            if dove is None:
                self.posizione[a[0][0]] = inizio + r

    def c_pwrite64(self, a, r):
        self.c_write(a, r, int(a[3]))

    def c_ftruncate(self, a, r):
        fd = self.fd.get(a[0][0]) if isinstance(a[0], tuple) else None
        if r == 0 and fd and fd[0] == "f":
            self.op.append(("tronca", fd[1], int(a[1])))
            self.dimensioni[fd[1]] = int(a[1])

    def c_fsync(self, a, r):
        fd = self.fd.get(a[0][0]) if isinstance(a[0], tuple) else None
        if r == 0 and fd and fd[0] in ("f", "d"):
            self.op.append(("syncf", fd[1]) if fd[0] == "f" else ("syncd", fd[1]))

    c_fdatasync = c_fsync

    def c_rename(self, a, r, da=0, a_=1):
        vecchio, nuovo = self.rel(a[da]), self.rel(a[a_])
        if r != 0 or vecchio is None or nuovo is None:
            return
        self.nomi[nuovo] = self.nomi.pop(vecchio)
        self.op.append(("rinomina", {cartella_di(vecchio), cartella_di(nuovo)}, vecchio, nuovo))

    def c_renameat2(self, a, r):
        self.c_rename(a, r, 1, 3)

    c_renameat = c_renameat2

    def c_link(self, a, r, da=0, a_=1):
        vecchio, nuovo = self.rel(a[da]), self.rel(a[a_])
        if r != 0 or vecchio is None or nuovo is None:
            return
        self.nomi[nuovo] = self.nomi[vecchio]
        self.op.append(("collega", {cartella_di(nuovo)}, vecchio, nuovo))

    def c_linkat(self, a, r):
        self.c_link(a, r, 1, 3)

    def c_unlink(self, a, r, i=0):
        rel = self.rel(a[i])
        if r != 0 or rel is None:
            return
        self.nomi.pop(rel, None)
        self.op.append(("togli", {cartella_di(rel)}, rel))

    def c_unlinkat(self, a, r):
        self.c_unlink(a, r, 1)

    def c_mkdir(self, a, r, i=0):
        rel = self.rel(a[i])
        if r == 0 and rel is not None:
            self.op.append(("cartella", {cartella_di(rel)}, rel))

    def c_mkdirat(self, a, r):
        self.c_mkdir(a, r, 1)


def cartella_di(rel):
    return rel.rsplit("/", 1)[0] if "/" in rel else ""
