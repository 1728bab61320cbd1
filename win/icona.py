#!/usr/bin/env python3
"""Draws Quimbo's icon, a receipt on a blue tile, into a Windows .ico at the sizes
the shell asks for (16 to 256 pixels), anti-aliased. No image library needed.

Usage: icona.py OUT.ico
"""

import struct
import sys
import zlib

BLU = (31, 95, 168)
CARTA = (255, 255, 255)
INCHIOSTRO = (110, 120, 135)
TOTALE = (30, 40, 55)
LATO = 4  # samples per pixel side


def tile(x, y):
    """The blue tile: a square with rounded corners."""
    m, r = 0.04, 0.18
    cx = min(max(x, m + r), 1 - m - r)
    cy = min(max(y, m + r), 1 - m - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def carta(x, y):
    """The receipt, torn off at the bottom in a zigzag."""
    sx, dx = 0.27, 0.73
    if not sx <= x <= dx or y < 0.12:
        return False
    fase = ((x - sx) / (dx - sx) * 4) % 1
    dente = 1 - abs(2 * fase - 1)
    return y <= 0.88 - 0.07 * dente


def riga(x, y):
    for su, fine in ((0.24, 0.66), (0.36, 0.66), (0.48, 0.56)):
        if 0.34 <= x <= fine and su <= y <= su + 0.055:
            return INCHIOSTRO
    if 0.34 <= x <= 0.66 and 0.64 <= y <= 0.72:
        return TOTALE
    return None


def colore(x, y):
    if carta(x, y):
        return riga(x, y) or CARTA
    return BLU if tile(x, y) else None


def disegna(n):
    """Rows of (r, g, b, a), top first."""
    righe = []
    for py in range(n):
        riga_px = []
        for px in range(n):
            somma, coperti = [0, 0, 0], 0
            for sy in range(LATO):
                for sx in range(LATO):
                    c = colore((px + (sx + 0.5) / LATO) / n, (py + (sy + 0.5) / LATO) / n)
                    if c:
                        coperti += 1
                        for i in range(3):
                            somma[i] += c[i]
            if coperti:
                riga_px.append(tuple(round(s / coperti) for s in somma) + (round(255 * coperti / LATO ** 2),))
            else:
                riga_px.append((0, 0, 0, 0))
        righe.append(riga_px)
    return righe


def bmp(n):
    righe = disegna(n)
    testa = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    colori = b"".join(bytes((b, g, r, a)) for riga_px in reversed(righe) for r, g, b, a in riga_px)
    maschera = bytes(((n + 31) // 32) * 4 * n)  # the alpha channel decides; the mask hides nothing
    return testa + colori + maschera


def png(largo, alto, righe, canali):
    """A PNG of 8-bit RGB (3 channels) or RGBA (4) rows, top first, each as bytes.
    The tests keep their pictures with it too."""
    def pezzo(tipo, dati):
        return struct.pack(">I", len(dati)) + tipo + dati + struct.pack(">I", zlib.crc32(tipo + dati))

    tipo = {3: 2, 4: 6}[canali]
    grezzo = b"".join(b"\0" + riga for riga in righe)
    return (b"\x89PNG\r\n\x1a\n" + pezzo(b"IHDR", struct.pack(">IIBBBBB", largo, alto, 8, tipo, 0, 0, 0))
            + pezzo(b"IDAT", zlib.compress(grezzo, 9)) + pezzo(b"IEND", b""))


def png_icona(n):
    return png(n, n, [bytes(v for px in riga_px for v in px) for riga_px in disegna(n)], 4)


def main():
    misure = [16, 24, 32, 48, 64, 256]
    immagini = [png_icona(n) if n == 256 else bmp(n) for n in misure]
    dove = 6 + 16 * len(misure)
    indice = struct.pack("<HHH", 0, 1, len(misure))
    for n, dati in zip(misure, immagini):
        indice += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(dati), dove)
        dove += len(dati)
    with open(sys.argv[1], "wb") as f:
        f.write(indice + b"".join(immagini))


if __name__ == "__main__":
    main()
