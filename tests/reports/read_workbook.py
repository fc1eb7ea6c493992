"""Reads the first sheet of an .xlsx workbook with openpyxl and prints it as
JSON: a list of rows, each a list of [kind, value] cells, kind one of
"text", "int", "float" (value as repr text, exact), "date" (ISO text), "empty".
An independent reader: it knows nothing of how the workbook was written."""
import datetime
import json
import sys

import openpyxl


def cell(value):
    if value is None:
        return ["empty", None]
    if isinstance(value, bool):
        return ["bool", value]
    if isinstance(value, datetime.datetime):
        return ["date", value.isoformat()]
    if isinstance(value, int):
        return ["int", value]
    if isinstance(value, float):
        return ["float", repr(value)]
    return ["text", str(value)]


book = openpyxl.load_workbook(sys.argv[1], read_only=True)
sheet = book.worksheets[0]
rows = [[cell(v) for v in row] for row in sheet.iter_rows(values_only=True)]
json.dump({"sheets": len(book.worksheets), "rows": rows}, sys.stdout, ensure_ascii=False)
