#!/usr/bin/python3
"""Makes the spreadsheet fixtures of tests/client/spreadsheet_test.cpp; run once, the .xls
files are checked in (the tests read them without python). Needs python3-xlwt."""
import datetime
import os
import struct

import xlwt

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sheet")

DATE = xlwt.easyxf(num_format_str="YYYY-MM-DD")

# The first worksheet: numbers, texts holding the characters each format must quote or
# flatten, an empty cell in the middle of a row and at its end, and dates.
ORDERS = [
    ["Symbol", "Side", "Quantity", "Price", "Note", "Trade Date"],
    ["IBM", "B", 100, 123.45, "plain", datetime.date(2026, 12, 7)],
    ["BRK.B", "S", 2500, 0.5, "has, comma", datetime.date(2026, 1, 31)],
    ["MSFT", "B", None, 410, 'say "hi"', datetime.date(1999, 12, 31)],
    ["T", "SS", -7, 1234567.125, "tab\there", None],
]


def write_orders(book):
    sheet = book.add_sheet("Orders")
    for r, row in enumerate(ORDERS):
        for c, value in enumerate(row):
            if value is None:
                continue
            if isinstance(value, datetime.date):
                sheet.write(r, c, value, DATE)
            else:
                sheet.write(r, c, value)


def main():
    os.makedirs(HERE, exist_ok=True)
    book = xlwt.Workbook()
    write_orders(book)
    # A second worksheet that the conversion must leave out.
    book.add_sheet("Other").write(0, 0, "not converted")
    book.save(os.path.join(HERE, "orders.xls"))
    write_protected()
    write_oversized()


def write_protected():
    """protected.xls: orders.xls with its WRITEACCESS record (type 0x005C, 112 bytes) retyped
    as FILEPASS (0x002F), the record that marks a password-protected workbook; xlwt cannot
    encrypt, and FreeXL reports such a workbook as obfuscated."""
    with open(os.path.join(HERE, "orders.xls"), "rb") as f:
        data = f.read()
    header = b"\x5c\x00\x70\x00"
    assert data.count(header) == 1
    at = data.index(header)
    with open(os.path.join(HERE, "protected.xls"), "wb") as f:
        f.write(data[:at] + b"\x2f\x00" + data[at + 2:])



def write_oversized():
    """oversized.xls: orders.xls whose first worksheet's DIMENSIONS record (type 0x0200,
    14 bytes: first row, last row + 1, first column, last column + 1) claims 70000 rows, more
    than a .xls sheet holds."""
    with open(os.path.join(HERE, "orders.xls"), "rb") as f:
        data = f.read()
    at = data.index(b"\x00\x02\x0e\x00") + 4
    with open(os.path.join(HERE, "oversized.xls"), "wb") as f:
        f.write(data[:at] + struct.pack("<II", 0, 70000) + data[at + 8:])


if __name__ == "__main__":
    main()
