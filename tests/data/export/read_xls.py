#!/usr/bin/env python3
"""Reads a worksheet back with xlrd (formatting information on) and prints it as
JSON: {"cells": [[row, col, kind, value, format], ...], "widths": {col: width}}.
Rows and columns count from 0; kind is text, number or date; width in 1/256
of a character. Exit code 2 when xlrd refuses the file."""
import json
import sys

import xlrd

KINDS = {xlrd.XL_CELL_TEXT: "text", xlrd.XL_CELL_NUMBER: "number", xlrd.XL_CELL_DATE: "date"}

try:
    book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
except Exception as error:  # the test prints what xlrd said
    print("xlrd: %s" % error, file=sys.stderr)
    sys.exit(2)

sheet = book.sheet_by_index(0)
cells = []
for r in range(sheet.nrows):
    for c in range(sheet.ncols):
        cell = sheet.cell(r, c)
        if cell.ctype == xlrd.XL_CELL_EMPTY:
            continue
        xf = book.xf_list[cell.xf_index]
        fmt = book.format_map[xf.format_key].format_str
        cells.append([r, c, KINDS.get(cell.ctype, str(cell.ctype)), cell.value, fmt])
widths = {str(c): info.width for c, info in sheet.colinfo_map.items()}
print(json.dumps({"cells": cells, "widths": widths}))
