"""A power cut at any instant of a receipt's life: the trace of the calls on the receipt
folder (traccia), what a cut may leave of them (modello), every folder state of a life
(esploratore), and the real program run on each and judged (esecutore)."""
