#!/usr/bin/env python3
"""Writes the trim Cv tables data/*TrimDataSet.csv, data/*CvDataSet.csv and the other trim tables.

These tables are REPRESENTATIVE: they have the structure of a maker's trim catalogue (row
counts, sizes, Cv ranges, recovery factors, which trims carry hole or slot geometry, and the
order: largest size first, and within a size largest Cv first) but their numbers are not catalogue
data. Cv values of a size are a falling ladder of trims; hole and slot geometry is sized so that
the flow area roughly follows the Cv. Rows quoted verbatim from the product description are
marked "given" below.

Standard library only. Usage: python3 data/tools/trim_tables.py [output-folder]
"""
import math
import os
import sys

HOLE_FIELDS = "SIZE:float,CV:float,PRF:float,NUMHOLES:float,HOLESIZE:float"
SLOT_FIELDS = "SIZE:float,CV:float,PRF:float,NUMSLOTS:float,SLOT_H:float,SLOT_L:float"


def num(v):
    """Plain decimal text without trailing zeros (0.0008, 2.794, 600)."""
    text = f"{v:.10f}".rstrip("0").rstrip(".")
    return text if text not in ("-0", "") else "0"


def plain(ladders, prf, holes=None):
    """Rows (size, cv, prf, 0, 0) from {size: [cv, ...]} in the order given."""
    rows = []
    for size, cvs in ladders:
        for cv in cvs:
            geo = holes(size, cv) if holes else (0, 0)
            rows.append((size, cv, prf(size, cv) if callable(prf) else prf) + tuple(geo))
    return rows


def port_hole(size, cv):
    """One hole whose diameter is the port that passes the Cv (3 in, Cv 28: 1.843 in)."""
    return (1, round(1.843 * math.sqrt(cv / 28.0), 3))


def cage_holes(hole_size):
    """Cage holes of a fixed diameter per valve size; the count follows the Cv."""
    def geo(size, cv):
        d = hole_size[size]
        return (max(2, round(cv / (30.0 * d * d))), d)
    return geo


def two_digits(v):
    """v rounded to two significant digits."""
    if v == 0:
        return 0.0
    p = math.floor(math.log10(abs(v))) - 1
    return round(v / 10 ** p) * 10 ** p


def ladder(start, end, count):
    """count Cvs falling geometrically from start to end, two significant digits each."""
    r = (end / start) ** (1.0 / (count - 1))
    vals = [round(two_digits(start * r ** i), 10) for i in range(count)]
    vals[0], vals[-1] = start, end
    assert all(a > b for a, b in zip(vals, vals[1:])), vals
    return vals


# ---- Sliding-gate tables ----

def lin_cv():
    # size: (largest Cv, smallest Cv, rows); 8 in begins with Cv 600 and 0.25 in ends with 0.0008 (given).
    sizes = [(8, 600, 40, 14), (6, 400, 12, 16), (4, 220, 3, 18), (3, 130, 1, 18),
             (2, 60, 0.2, 20), (1.5, 36, 0.15, 18), (1, 16, 0.02, 20), (0.75, 8, 0.01, 18),
             (0.5, 4, 0.005, 18), (0.25, 1.2, 0.0008, 17)]
    # Slot count and slot length per size; the slot height follows the Cv. The four largest
    # trims of the six largest sizes are slotted: 24 rows. 8 in, Cv 600: 12 slots 0.437 x 2.794 (given).
    slots = {8: (12, 2.794), 6: (10, 2.1), 4: (8, 1.4), 3: (6, 1.05), 2: (4, 0.7), 1.5: (4, 0.52)}
    k = 600 / (12 * 0.437 * 2.794)
    rows = []
    for size, hi, lo, n in sizes:
        for i, cv in enumerate(ladder(hi, lo, n)):
            prf = 0.6 if cv >= 100 else 0.7 if cv >= 20 else 0.8 if cv >= 2 else 0.9
            if size in slots and i < 4:
                count, length = slots[size]
                height = 0.437 if (size, cv) == (8, 600) else round(cv / (k * count * length), 3)
                rows.append((size, cv, prf, count, height, length))
            else:
                rows.append((size, cv, prf, 0, 0, 0))
    return rows


def eq_cv():
    ladders = [(6, [230, 180, 140, 110]), (4, [150, 115, 90, 70]), (3, [95, 75, 58, 45]),
               (2, [46, 36, 28, 22]), (1.5, [27, 21, 16]), (1, [14, 11, 8.5]),
               (0.75, [7.5, 5.8, 4.5]), (0.5, [4.4, 3.3, 2.5])]
    rows = plain(ladders, lambda s, cv: 0.6 if cv >= 100 else 0.7 if cv >= 25 else 0.8)
    return [r + (0,) for r in rows]  # slot count, height, length all 0


# ---- Globe and cage tables ----

def cav_trim():
    # (size, Cv, holes, hole size); first and last rows given.
    rows = [(6, 330, 248, 0.0063), (6, 250, 196, 0.006), (6, 180, 150, 0.0057),
            (4, 150, 136, 0.0052), (4, 110, 108, 0.0049), (4, 80, 86, 0.0045),
            (3, 64, 74, 0.0042), (3, 45, 60, 0.0039),
            (2, 30, 50, 0.0036), (2, 18, 40, 0.0033),
            (1.5, 10, 38, 0.003), (1.5, 5, 34, 0.0027)]
    return [(s, cv, 0.92, n, d) for s, cv, n, d in rows]


def globe():
    rows = [(6, 230, 0.6), (4, 160, 0.65), (3, 110, 0.7), (2, 46, 0.7), (2, 30, 0.75),
            (1.5, 25, 0.75), (1, 12, 0.8), (0.75, 6.5, 0.8), (0.5, 4, 0.8), (0.5, 2.5, 0.8)]
    return [(s, cv, prf, 0, 0) for s, cv, prf in rows]


TABLES = {
    "CavTrimDataSet": (HOLE_FIELDS, cav_trim),
    "GlobeDataSet": (HOLE_FIELDS, globe),
    "KXCDataSet": (HOLE_FIELDS, lambda: plain(
        [(6, [400]), (4, [210]), (3, [120]), (2, [62]), (1.5, [34])], 0.9)),
    "KXSDataSet": (HOLE_FIELDS, lambda: plain([(4, [200, 140]), (3, [95, 48])], 0.9)),
    "SeriesELinTrimDataSet": (HOLE_FIELDS, lambda: plain(
        [(2, [17, 14, 11, 9, 7, 5.5]),
         (1.5, [12, 10, 8, 6.3, 5, 4, 3.2]),
         (1, [8, 6.3, 5, 4, 3.2, 2.5, 2, 1.6]),
         (0.75, [5, 4, 3.2, 2.5, 2, 1.6, 1.2, 0.8]),
         (0.5, [3.2, 2, 1.2, 0.8, 0.5, 0.32, 0.2, 0.05])], 0.9)),
    "SeriesEEqTrimDataSet": (HOLE_FIELDS, lambda: plain(
        [(2, [17, 13, 10, 8, 6.3, 5]),
         (1.5, [12, 9.5, 7.5, 6, 4.7, 3.7, 3]),
         (1, [8, 6.2, 4.8, 3.8, 3, 2.4, 1.9, 1.5]),
         (0.75, [5, 3.9, 3, 2.4, 1.9, 1.5, 1.1, 0.75]),
         (0.5, [3.2, 2, 1.2, 0.8, 0.5, 0.32, 0.2, 0.12, 0.05])], 0.9)),
    "SeriesCLinTrimDataSet": (HOLE_FIELDS, lambda: plain(
        [(2, [45, 36, 28, 22]), (1.5, [30, 24, 19, 15]), (1, [17, 13, 10, 8]),
         (0.75, [9.5, 7.5, 6, 4.8]), (0.5, [5.5, 4.2, 3.2, 1.8])], 0.9)),
    "SeriesCEqTrimDataSet": (HOLE_FIELDS, lambda: plain(
        [(2, [60, 48, 38, 30, 24, 19]), (1.5, [40, 32, 25, 20, 16, 12.5]),
         (1, [22, 17, 13.5, 10.5, 8.5, 6.5]), (0.75, [11, 8.8, 7, 5.5, 4.4]),
         (0.5, [6.5, 5, 3.9, 3, 2.4, 1.8])], 0.9)),
    "SeriesFLinTrimDataSet": (HOLE_FIELDS, lambda: plain(
        [(3, [100, 75, 56, 42]), (2, [46, 35, 26, 20]), (1.5, [28, 21, 16, 12]),
         (1, [14, 10, 7.5, 5.5]), (0.75, [7, 5, 3.5, 2.5]), (0.5, [3, 1.5, 0.6, 0.2])], 0.9)),
    "SeriesFEqTrimDataSet": (HOLE_FIELDS, lambda: plain(
        [(3, [90, 68, 50, 38]), (2, [42, 32, 24, 18]), (1.5, [26, 19, 14, 10.5]),
         (1, [13, 9.5, 7, 5]), (0.75, [6.5, 4.6, 3.2, 2.2]), (0.5, [2.8, 1.4, 0.55, 0.2])], 0.9)),
    "SeriesDTrimDataSet": (HOLE_FIELDS, lambda: plain(
        [(0.75, [4, 3.2, 2.5, 2, 1.6, 1.2]), (0.5, [2, 1.6, 1.2, 0.8, 0.5, 0.2])], 0.9)),
    "SeriesBTrimDataSet": (HOLE_FIELDS, lambda: plain(
        [(2, [19, 15, 12, 9.5, 7.5, 6, 4.8]),
         (1.5, [14, 11, 8.8, 7, 5.5, 4.4, 3.5]),
         (1, [9.5, 7.5, 6, 4.8, 3.8, 3, 2.4]),
         (0.75, [6.5, 5.2, 4.1, 3.3, 2.6, 2.1, 1.7]),
         (0.5, [4, 3.2, 2.5, 2, 1.6, 1.2, 0.9]),
         (0.25, [1.5, 1.2, 0.9, 0.7, 0.5, 0.33, 0.21])], 0.9)),
    # One trim carries geometry: 2 in, Cv 19, 1 hole of 1.675 (given).
    "SeriesATrimDataSet": (HOLE_FIELDS, lambda: plain(
        [(2, [32.4, 28, 24, 21.5, 19, 16, 13.5, 11, 9, 7.5]),
         (1.5, [24, 21, 18, 15.5, 13, 11, 9, 7.5, 6.2, 5]),
         (1, [15, 13, 11, 9.5, 8, 6.8, 5.6, 4.6, 3.8, 3.1]),
         (0.75, [9, 7.8, 6.7, 5.7, 4.8, 4, 3.3, 2.7, 2.2, 1.8]),
         (0.5, [5.2, 4.5, 3.8, 3.2, 2.7, 2.2, 1.8, 1.5, 1.2, 1]),
         (0.25, [1.8, 1.5, 1.2, 1, 0.8, 0.62, 0.48, 0.35, 0.21])], 0.9,
        lambda s, cv: (1, 1.675) if (s, cv) == (2, 19) else (0, 0))),
    "LinCvDataSet": (SLOT_FIELDS, lin_cv),
    "EqCvDataSet": (SLOT_FIELDS, eq_cv),
    # 3 in offers three Cvs, the largest 28 (the Series H trim).
    "SeriesGHTrimDataSet": (HOLE_FIELDS, lambda: plain(
        [(3, [28, 20, 12]), (2, [16, 12, 9, 6.5]), (1.5, [11, 8, 6, 4.5]),
         (1, [6, 4.2, 3]), (0.75, [3.5, 2.4, 1.6]), (0.5, [1.8, 0.9, 0.3])], 0.9)),
    "TQACDataSet": (HOLE_FIELDS, lambda: [
        (3, 29.4, 0.9, 24, 0.25), (2, 14.5, 0.9, 16, 0.25), (1.5, 8.4, 0.9, 12, 0.219),
        (1, 4.2, 0.9, 8, 0.188), (0.75, 2.2, 0.9, 6, 0.156), (0.5, 1.2, 0.9, 4, 0.125),
        (0.5, 0.6, 0.9, 4, 0.094)]),
    "TQBCDataSet": (HOLE_FIELDS, lambda: [
        (3, 28, 0.9, 24, 0.25), (2, 13, 0.9, 16, 0.25), (1.5, 7.8, 0.9, 12, 0.219),
        (1, 4, 0.9, 8, 0.188), (0.75, 2, 0.9, 6, 0.156), (0.5, 1, 0.9, 4, 0.125),
        (0.5, 0.5, 0.9, 4, 0.078)]),
    "TQCVLinDataSet": (HOLE_FIELDS, lambda: tq_cv(
        [(4, [200, 160, 125]), (3, [110, 88, 70, 56]), (2, [50, 40, 32, 32, 25]),
         (1.5, [28, 22, 18, 14]), (1, [12, 9.5, 7.5]), (0.75, [6, 4.5, 3.2, 2.2]),
         (0.5, [2.5, 1.2, 0.6, 0.2])], without=[(0.75, 2.2), (0.5, 2.5), (0.5, 1.2),
                                                  (0.5, 0.6), (0.5, 0.2)])),
    "TQCVEqDataSet": (HOLE_FIELDS, lambda: tq_cv(
        [(3, [100, 80, 63, 50]), (2, [45, 36, 28, 22]), (1.5, [25, 20, 16, 16]),
         (1, [12, 9.5, 7.5, 5.8]), (0.75, [6, 4.5, 3.2, 2.2]), (0.5, [2.5, 1.2, 0.6, 0.2])],
        without=[(0.5, 1.2), (0.5, 0.6), (0.5, 0.2)])),
    # One hole whose size is the port; 3 in, Cv 28: 1 hole of 1.843 (given).
    "TQACPMDataSet": (HOLE_FIELDS, lambda: plain(
        [(3, [28]), (2, [12.5]), (1.5, [7]), (1, [3.1]), (0.75, [1.5])], 0.9, port_hole)),
    "TQBCPMDataSet": (HOLE_FIELDS, lambda: plain(
        [(3, [30]), (2, [13.5]), (1.5, [8, 5.5]), (1, [3.5, 2.4]), (0.75, [1.5])], 0.9, port_hole)),
}


def tq_cv(ladders, without):
    holes = cage_holes({4: 0.375, 3: 0.3125, 2: 0.25, 1.5: 0.219, 1: 0.188, 0.75: 0.156, 0.5: 0.125})
    return plain(ladders, 0.9, lambda s, cv: (0, 0) if (s, cv) in without else holes(s, cv))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..")
    for name, (fields, make) in TABLES.items():
        with open(os.path.join(folder, name + ".csv"), "w", encoding="utf-8", newline="\n") as f:
            f.write(fields + "\n")
            for row in make():
                f.write(",".join(num(v) for v in row) + "\n")


if __name__ == "__main__":
    main()
