#!/usr/bin/env python3
"""Writes data/SteamDataSet.csv: saturated steam by pressure.

Saturation temperatures come from the IAPWS-IF97 region 4 saturation-temperature equation
(the "backward" equation T_s(p), IAPWS R7-97(2012), eq. 31). Pressures are rounded values in
psia; gauge pressure is psia - 14.696, rounded to the row's precision: as many decimals as the
absolute pressure is written with, at least one and at most two (trailing zeros dropped).
Temperatures are given to 2 decimals. The rows in FIXED_ROWS are kept as written, not
recomputed.

Standard library only. Usage: python3 data/tools/steam_table.py [output.csv]
"""
import math
import os
import sys

PSI_TO_MPA = 6894.757293168361e-6
ATMOSPHERE_PSI = 14.696

# IAPWS-IF97, region 4 coefficients n1..n10.
N = [
    0.11670521452767e4, -0.72421316703206e6, -0.17073846940092e2, 0.12020824702470e5,
    -0.32325550322333e7, 0.14915108613530e2, -0.48232657361591e4, 0.40511340542057e6,
    -0.23855557567849, 0.65017534844798e3,
]


def saturation_temperature_k(p_mpa):
    """T_s in kelvin for a pressure in MPa (611.213 Pa to 22.064 MPa)."""
    n1, n2, n3, n4, n5, n6, n7, n8, n9, n10 = N
    beta = p_mpa ** 0.25
    e = beta * beta + n3 * beta + n6
    f = n1 * beta * beta + n4 * beta + n7
    g = n2 * beta * beta + n5 * beta + n8
    d = 2 * g / (-f - math.sqrt(f * f - 4 * e * g))
    return (n10 + d - math.sqrt((n10 + d) ** 2 - 4 * (n9 + n10 * d))) / 2


def saturation_temperature_f(p_psia):
    return saturation_temperature_k(p_psia * PSI_TO_MPA) * 1.8 - 459.67


# psia texts, rising. 111 rows.
PRESSURES = (
    ["0.08859", "0.1", "0.12", "0.14", "0.15", "0.2", "0.25", "0.3", "0.35", "0.4", "0.45", "0.5",
     "0.6", "0.7", "0.8", "0.9", "1", "1.2", "1.4", "1.6", "1.8", "2", "2.5", "3", "3.5", "4",
     "4.5", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "14.696", "15", "16", "17", "18",
     "20", "22", "25", "28", "30", "35", "40", "45", "50", "55", "60", "65", "70", "75", "80", "85",
     "90", "95", "100", "110", "120", "130", "140", "150", "160", "170", "180", "190", "200",
     "225", "250", "275", "300", "350", "400", "450", "500", "550", "600", "650", "700", "750",
     "800", "850", "900", "950", "1000"]
    + [str(p) for p in range(1100, 3300, 100)]
)

# Rows kept exactly as given: (psia, psig, degrees F).
FIXED_ROWS = {
    "0.08859": ("0.08859", "-14.61", "31.984"),
    "14.696": ("14.696", "0", "211.95"),
    "100": ("100", "85.3", "327.82"),
    "1000": ("1000", "985.3", "544.58"),
    "3200": ("3200", "3185.3", "705.08"),
}


def decimals(text):
    return len(text.split(".")[1]) if "." in text else 0


def number_text(value, places):
    text = f"{value:.{places}f}"
    if "." in text:
        text = text.rstrip("0").rstrip(".")
    if text in ("-0", ""):
        text = "0"
    return text


def rows():
    out = []
    for p in PRESSURES:
        if p in FIXED_ROWS:
            out.append(FIXED_ROWS[p])
            continue
        psia = float(p)
        places = min(max(decimals(p), 1), 2)
        psig = number_text(psia - ATMOSPHERE_PSI, places)
        temp = f"{saturation_temperature_f(psia):.2f}"
        out.append((p, psig, temp))
    return out


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "SteamDataSet.csv")
    table = rows()
    assert len(table) == 111, len(table)
    for a, b in zip(table, table[1:]):
        assert all(float(x) < float(y) for x, y in zip(a, b)), (a, b)
    with open(target, "w", encoding="utf-8", newline="\n") as f:
        f.write("ASTPABS:float,ASTPGAUGE:float,ASTTEMP:float\n")
        for r in table:
            f.write(",".join(r) + "\n")


if __name__ == "__main__":
    main()
