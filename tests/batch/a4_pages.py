#!/usr/bin/env python3
"""Checks that every page of a PDF the browser printed is A4, upright
(portrait) or on its side (landscape): a report that prints on A4.
Usage: a4_pages.py FILE.pdf portrait|landscape"""
import re
import sys

data = open(sys.argv[1], 'rb').read()
want = (595.92, 842.88) if sys.argv[2] == 'portrait' else (842.88, 595.92)
boxes = re.findall(rb'/MediaBox\s*\[\s*0 0 ([\d.]+) ([\d.]+)\s*\]', data)
assert boxes, 'no page in the PDF'
for w, h in boxes:
    assert abs(float(w) - want[0]) < 2 and abs(float(h) - want[1]) < 2, (w, h)
print(len(boxes), 'A4', sys.argv[2], 'page(s)')
