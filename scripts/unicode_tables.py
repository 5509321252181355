#!/usr/bin/env python3
"""Writes core/unicode_tables.inc: the case folding and canonical decompositions that
core/folder_rules.cpp compares names with, from Python's Unicode database.

Usage: scripts/unicode_tables.py > core/unicode_tables.inc
"""
import sys
import unicodedata


def simple_fold(c):
    """One code point for one: the case folding, else the lower case, when it is one code point."""
    s = chr(c)
    for mapped in (s.casefold(), s.lower()):
        if len(mapped) == 1:
            return ord(mapped)
    return c


def runs(mapping):
    """Code points mapped by the same offset, each the next one or the one after next."""
    out = []
    for c, f in mapping:
        d = f - c
        if out:
            first, last, delta, stride = out[-1]
            if delta == d and ((stride == 0 and c - last in (1, 2)) or (stride and c - last == stride)):
                out[-1] = (first, c, delta, c - last)
                continue
        out.append((c, c, d, 0))
    return [(first, last, delta, stride or 1) for first, last, delta, stride in out]


def main():
    w = sys.stdout.write
    w("// Made by scripts/unicode_tables.py from the Unicode %s database; do not edit.\n" % unicodedata.unidata_version)
    w("// clang-format off\n\n")
    folds = [(c, simple_fold(c)) for c in range(0x110000) if simple_fold(c) != c]
    w("// Simple case folding: code points first..last, every stride-th, fold to themselves + delta.\n")
    w("constexpr FoldRun kFoldRuns[] = {\n")
    for first, last, delta, stride in runs(folds):
        w("    {0x%04X, 0x%04X, %d, %d},\n" % (first, last, delta, stride))
    w("};\n\n")
    w("// Full case folding where it gives more than one code point.\n")
    w("constexpr FullFold kFullFolds[] = {\n")
    for c in range(0x110000):
        f = chr(c).casefold()
        if len(f) > 1:
            parts = [ord(x) for x in f] + [0] * (3 - len(f))
            w("    {0x%04X, {0x%04X, 0x%04X, 0x%04X}},\n" % (c, *parts))
    w("};\n\n")
    w("// Canonical decompositions, one step (the first part may decompose again); Hangul syllables\n")
    w("// are worked out instead, the CJK compatibility ideographs left out.\n")
    w("constexpr Decomposition kDecompositions[] = {\n")
    line = []
    for c in range(0x110000):
        d = unicodedata.decomposition(chr(c))
        if not d or d.startswith("<") or 0xAC00 <= c <= 0xD7A3 or 0xF900 <= c <= 0xFAFF or 0x2F800 <= c <= 0x2FA1F:
            continue
        parts = [int(x, 16) for x in d.split()] + [0]
        line.append("{0x%04X, 0x%04X, 0x%04X}," % (c, parts[0], parts[1]))
        if len(line) == 5:
            w("    " + " ".join(line) + "\n")
            line = []
    if line:
        w("    " + " ".join(line) + "\n")
    w("};\n")


main()
