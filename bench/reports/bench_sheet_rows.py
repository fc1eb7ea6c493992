"""Python XlsxWriter in constant-memory mode writing the same 21-column rows
as bench_reports_writer generates. Prints: seconds, peak KiB beyond the rows."""
import datetime
import resource
import sys
import time

import xlsxwriter

TITLES = ["KOD", "AÇIKLAMA", "AMORT YÜZ.", "GİRİŞ TAR.", "GİRİŞ TUTAR", "AMROT.SÜRE",
          "AMORT.BİTİŞ", "DÖNEM", "YIL", "DÜZ.ÖNC.AKTİF", "DÜZ.SON.AKTİF", "AKTİF FARK",
          "DEĞ.ART.FON", "DÜZ.ÖNC.BİRİK.FARK", "DÜZ.SON.BİRİK.FARK", "BİRİKMİŞ FARK",
          "AYRILAN AMORT.", "AMORT.ORAN", "DÜZ.KAT SAYISI", "TOP.BİRİK.AMORT.", "TOP.AKTİF DEĞER"]
NAMES = ["Bina", "Soğutma ünitesi", "Kamyonet", "Çelik raf", "İş güvenliği çantası",
         "Yangın algılama", "CNC işleme merkezi", "Bilgisayar"]


def rss_kib():
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def make_rows(n):
    base = datetime.datetime(2000, 1, 1)
    rows = []
    for i in range(n):
        amounts = [((i * 7919 + k * 104729) % 100000000) / 100.0 for k in range(12)]
        rows.append((
            "DMB-%07d" % i, "%s %d" % (NAMES[i % 8], i), ((i % 40) + 1) / 2.0,
            base + datetime.timedelta(days=i % 9000), ((i * 7919) % 1000000000) / 100.0,
            i % 20, 2000 + i % 40, 1 + i % 4, 2024, amounts))
    return rows


n = int(sys.argv[1])
path = sys.argv[2]
rows = make_rows(n)
try:
    with open("/proc/self/clear_refs", "w") as f:  # restart the peak from here
        f.write("5")
except OSError:
    pass
before = rss_kib()
start = time.perf_counter()
book = xlsxwriter.Workbook(path, {"constant_memory": True})
sheet = book.add_worksheet()
date_format = book.add_format({"num_format": "dd.mm.yyyy"})
for c, title in enumerate(TITLES):
    sheet.write_string(0, c, title)
for r, (kod, cinsi, yuzde, tarih, tutar, sure, bitis, donem, yil, amounts) in enumerate(rows, 1):
    sheet.write_string(r, 0, kod)
    sheet.write_string(r, 1, cinsi)
    sheet.write_number(r, 2, yuzde)
    sheet.write_datetime(r, 3, tarih, date_format)
    sheet.write_number(r, 4, tutar)
    sheet.write_number(r, 5, sure)
    sheet.write_number(r, 6, bitis)
    sheet.write_number(r, 7, donem)
    sheet.write_number(r, 8, yil)
    for k, a in enumerate(amounts):
        sheet.write_number(r, 9 + k, a)
book.close()
elapsed = time.perf_counter() - start
peak = 0
with open("/proc/self/status") as f:
    for line in f:
        if line.startswith("VmHWM:"):
            peak = int(line.split()[1])
print("%.3f %d" % (elapsed, max(0, peak - before)))
