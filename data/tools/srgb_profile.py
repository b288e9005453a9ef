#!/usr/bin/env python3
"""Writes data/report/sRGB-IEC61966-2.1.icc: an ICC version 2.1 display profile of sRGB.

The PDF/A output intent embeds it. Everything in it is computed here from the published sRGB
definition (IEC 61966-2-1):

- primaries x,y: red 0.64 0.33, green 0.30 0.60, blue 0.15 0.06; white D65 0.3127 0.3290;
- the colorant tags rXYZ, gXYZ, bXYZ hold the primaries adapted from D65 to the profile
  connection space's D50 white (X 0.9642, Y 1, Z 0.8249) with the Bradford transform, rounded
  to the 16.16 fixed-point numbers of the format so that the three add up to D50 exactly;
- wtpt is D50 (the display's white after that adaptation);
- rTRC, gTRC and bTRC share one curve of 1024 samples of the sRGB transfer function:
  c / 12.92 up to 0.04045, ((c + 0.055) / 1.055) ^ 2.4 above;
- desc "sRGB IEC61966-2.1" and a cprt text that puts no restriction on its use.

The header date is fixed, so running the script again gives the same bytes.

Standard library only. Usage: python3 data/tools/srgb_profile.py [output.icc]
"""
import os
import struct
import sys

DESCRIPTION = "sRGB IEC61966-2.1"
COPYRIGHT = "No copyright, use freely"
CURVE_SAMPLES = 1024
D50 = (0.9642, 1.0, 0.8249)
D65_XY = (0.3127, 0.3290)
PRIMARIES_XY = ((0.64, 0.33), (0.30, 0.60), (0.15, 0.06))
BRADFORD = ((0.8951, 0.2664, -0.1614), (-0.7502, 1.7135, 0.0367), (0.0389, -0.0685, 1.0296))


def mat_mul(a, b):
    return [[sum(a[i][k] * b[k][j] for k in range(3)) for j in range(3)] for i in range(3)]


def mat_vec(a, v):
    return [sum(a[i][k] * v[k] for k in range(3)) for i in range(3)]


def mat_inv(m):
    (a, b, c), (d, e, f), (g, h, i) = m
    det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g)
    return [[(e * i - f * h) / det, (c * h - b * i) / det, (b * f - c * e) / det],
            [(f * g - d * i) / det, (a * i - c * g) / det, (c * d - a * f) / det],
            [(d * h - e * g) / det, (b * g - a * h) / det, (a * e - b * d) / det]]


def xy_to_xyz(x, y):
    return [x / y, 1.0, (1 - x - y) / y]


def colorants_d50():
    """Columns of the RGB to XYZ matrix under D65, adapted to D50 (Bradford)."""
    cols = [xy_to_xyz(*p) for p in PRIMARIES_XY]
    m = [[cols[j][i] for j in range(3)] for i in range(3)]
    white = xy_to_xyz(*D65_XY)
    s = mat_vec(mat_inv(m), white)
    rgb_to_xyz = [[m[i][j] * s[j] for j in range(3)] for i in range(3)]
    src = mat_vec(BRADFORD, white)
    dst = mat_vec(BRADFORD, D50)
    scale = [[dst[i] / src[i] if i == j else 0.0 for j in range(3)] for i in range(3)]
    adapt = mat_mul(mat_inv(BRADFORD), mat_mul(scale, BRADFORD))
    adapted = mat_mul(adapt, rgb_to_xyz)
    return [[adapted[i][j] for i in range(3)] for j in range(3)]


def s15f16(v):
    return int(round(v * 65536))


def fixed_colorants():
    """The colorants in 16.16 fixed point, each X, Y and Z row summing to D50's fixed value."""
    cols = [[s15f16(v) for v in c] for c in colorants_d50()]
    for i, w in enumerate(D50):
        diff = s15f16(w) - sum(c[i] for c in cols)
        largest = max(range(3), key=lambda j: cols[j][i])
        cols[largest][i] += diff
    return cols


def pad4(b):
    return b + b"\0" * (-len(b) % 4)


def xyz_tag(values):
    return b"XYZ " + b"\0" * 4 + b"".join(struct.pack(">i", v) for v in values)


def curve_tag():
    samples = []
    for i in range(CURVE_SAMPLES):
        c = i / (CURVE_SAMPLES - 1)
        lin = c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
        samples.append(int(round(lin * 65535)))
    return b"curv" + b"\0" * 4 + struct.pack(">I", CURVE_SAMPLES) + struct.pack(">%dH" % CURVE_SAMPLES, *samples)


def desc_tag(text):
    ascii_text = text.encode("ascii") + b"\0"
    return (b"desc" + b"\0" * 4 + struct.pack(">I", len(ascii_text)) + ascii_text
            + struct.pack(">II", 0, 0)   # no Unicode description
            + struct.pack(">HB", 0, 0)   # no ScriptCode description
            + b"\0" * 67)


def text_tag(text):
    return b"text" + b"\0" * 4 + text.encode("ascii") + b"\0"


def build():
    r, g, b = fixed_colorants()
    curve = curve_tag()
    # (signature, data); equal data objects are stored once.
    tags = [
        (b"desc", desc_tag(DESCRIPTION)),
        (b"cprt", text_tag(COPYRIGHT)),
        (b"wtpt", xyz_tag([s15f16(v) for v in D50])),
        (b"rXYZ", xyz_tag(r)),
        (b"gXYZ", xyz_tag(g)),
        (b"bXYZ", xyz_tag(b)),
        (b"rTRC", curve),
        (b"gTRC", curve),
        (b"bTRC", curve),
    ]
    table_size = 4 + 12 * len(tags)
    offset = 128 + table_size
    body = b""
    placed = {}
    entries = []
    for sig, data in tags:
        if data not in placed:
            placed[data] = offset + len(body)
            body += pad4(data)
        entries.append(struct.pack(">4sII", sig, placed[data], len(data)))
    size = 128 + table_size + len(body)
    header = struct.pack(
        ">I4sI4s4s4s6H4s4sI4sIQI3i4s44s",
        size, b"\0" * 4, 0x02100000, b"mntr", b"RGB ", b"XYZ ",
        2026, 1, 1, 0, 0, 0,          # creation date, fixed
        b"acsp", b"\0" * 4, 0, b"\0" * 4, 0, 0,
        0,                            # perceptual intent
        *[s15f16(v) for v in D50],    # illuminant of the connection space
        b"\0" * 4, b"\0" * 44)
    assert len(header) == 128
    return header + struct.pack(">I", len(tags)) + b"".join(entries) + body


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "report", "sRGB-IEC61966-2.1.icc")
    with open(out, "wb") as f:
        f.write(build())


if __name__ == "__main__":
    main()
