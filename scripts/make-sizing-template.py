#!/usr/bin/env python3
"""Writes the sizing report's template, data/report/SizingReport.xml.

Three pages: the data page, Page1 (letter portrait, the sizing sheet: a ruled grid of rectangle
shapes with a named memo in every cell the sizing form fills) and Page2 (letter landscape with
10 mm margins: the chart page). The header pictures are drawn here with the block letters of
make-pictures.py. Coordinates are report pixels (96 per inch) from the page's top left.
Run from anywhere:
    python3 scripts/make-sizing-template.py
"""
import importlib.util
import os
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "data", "report", "SizingReport.xml")

_spec = importlib.util.spec_from_file_location("pictures", os.path.join(ROOT, "scripts", "make-pictures.py"))
pictures = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(pictures)
Canvas = pictures.Canvas


def esc(text):
    out = []
    for ch in text:
        if ch in "&<>\"" or ord(ch) < 32:
            out.append("&#%d;" % ord(ch))
        else:
            out.append(ch)
    return "".join(out)


def num(v):
    return ("%.6f" % v).rstrip("0").rstrip(".")


def png_hex(canvas):
    with tempfile.NamedTemporaryFile(suffix=".png", delete=False) as tmp:
        name = tmp.name
    try:
        canvas.png(name)
        with open(name, "rb") as f:
            data = f.read()
    finally:
        os.remove(name)
    cls = b"TPNGObject"
    return (bytes([len(cls)]) + cls + data).hex().upper()


# Header pictures are drawn at four pixels per report unit (384 per inch), so print shows no steps,
# and stored as JPEG; their pixels are decoded once per process and shared by every session.
PICTURE_SCALE = 4


def jpeg_hex(canvas):
    # JPEG data goes into the PDF as it is, so a large picture costs the export nothing to encode.
    with tempfile.NamedTemporaryFile(suffix=".jpg", delete=False) as tmp:
        name = tmp.name
    try:
        canvas.jpeg(name, quality=95, sample="1x1")
        with open(name, "rb") as f:
            data = f.read()
    finally:
        os.remove(name)
    cls = b"TJPEGImage"
    return (bytes([len(cls)]) + cls + data).hex().upper()


def header_picture(w, h, line, colour):
    k = PICTURE_SCALE
    # Laid out at half the shown size, as the pictures always were, then every length times 2k.
    w, h = w // 2, h // 2
    c = Canvas(w * 2 * k, h * 2 * k, (255, 255, 255))
    c.rect(0, 0, w * 2 * k, h // 6 * 2 * k, colour)
    c.rect(0, (h - h // 8) * 2 * k, w * 2 * k, h * 2 * k, colour)
    c.valve((h // 2 + 4) * 2 * k, (h // 2 + 4) * 2 * k, max(6, h // 6) * 2 * k, colour, pictures.NAVY, 2 * k)
    scale = max(1, h // 30) * 2 * k
    c.text((h + 4) * 2 * k, (h // 2) * 2 * k - 3 * scale, line, scale, colour)
    return jpeg_hex(c)


class Page:
    # Names are unique across the report, so the counters are shared by the pages.
    shapes = 0
    memos = 0

    def __init__(self):
        self.items = []

    def memo(self, x, y, w, h, text="", name=None, font="Arial", px=13, bold=False, rotation=0, centred=False,
             gap=None, line_spacing=None, back=None, middle=False):
        if name is None:
            Page.memos += 1
            name = "Memo%d" % Page.memos
        attrs = ['Name="%s"' % name, 'Left="%s"' % num(x), 'Top="%s"' % num(y), 'Width="%s"' % num(w),
                 'Height="%s"' % num(h), 'Font.Color="0"', 'Font.Height="-%d"' % px, 'Font.Name="%s"' % esc(font)]
        if bold:
            attrs.append('Font.Style="1"')
        attrs.append('ParentFont="False"')
        if rotation:
            attrs.append('Rotation="%d"' % rotation)
        if centred:
            attrs.append('HAlign="haCenter"')
        if centred or middle:
            attrs.append('VAlign="vaCenter"')
        if gap is not None:
            attrs += ['GapX="%s"' % num(gap[0]), 'GapY="%s"' % num(gap[1])]
        if line_spacing is not None:
            attrs.append('LineSpacing="%s"' % num(line_spacing))
        if back is not None:
            attrs.append('Fill.BackColor="%d"' % (back[0] | back[1] << 8 | back[2] << 16))
        if text:
            attrs.append('Text="%s"' % esc(text.replace("\n", "\r\n") + "\r\n"))
        self.items.append("<TrepMemoView %s/>" % " ".join(attrs))

    def rect(self, x0, y0, x1, y1):
        Page.shapes += 1
        self.items.append('<TrepShapeView Name="Shape%d" Left="%s" Top="%s" Width="%s" Height="%s"/>' % (
            Page.shapes, num(x0), num(y0), num(x1 - x0), num(y1 - y0)))

    def picture(self, name, x, y, w, h, data=None, visible=True):
        attrs = ['Name="%s"' % name, 'Left="%s"' % num(x), 'Top="%s"' % num(y), 'Width="%s"' % num(w),
                 'Height="%s"' % num(h)]
        if not visible:
            attrs.append('Visible="False"')
        if data:
            attrs.append('Picture.PropData="%s"' % data)
        self.items.append("<TrepPictureView %s/>" % " ".join(attrs))


GREEN, PURPLE = (30, 120, 70), (110, 50, 130)


def page1():
    p = Page()
    # Header: product title, the data-sheet heading with its version, the header pictures of the three lines.
    for x in (48, 288, 528):
        p.rect(x, 48, x + 240, 120)
    p.memo(54, 64, 228, 40, "VXCV Max", font="Humnst777 BT", px=29)
    p.memo(294, 52, 228, 26, "Specification", px=21, bold=True)
    p.memo(294, 80, 96, 18, "Version:")
    p.memo(390, 80, 132, 18, " ", name="AppVersion")
    p.memo(294, 98, 96, 18, "Version Date:")
    p.memo(390, 98, 132, 18, " ", name="VersionDate")
    p.picture("VXImage", 564, 54, 168, 60, header_picture(168, 60, "VX", pictures.BLUE))
    p.picture("LFImage", 564, 54, 168, 60, header_picture(168, 60, "LF", GREEN), visible=False)
    p.picture("PLimage", 564, 54, 168, 60, header_picture(168, 60, "PL", PURPLE), visible=False)

    # Identification.
    p.rect(48, 120, 768, 156)
    p.memo(52, 121, 80, 17, "Customer:")
    p.memo(132, 121, 276, 17, "", name="CustName", middle=True)
    p.memo(412, 121, 70, 17, "Tag No.:")
    p.memo(482, 121, 282, 17, "", name="TagNO", middle=True)
    p.memo(52, 138, 80, 17, "Valve Type:")
    p.memo(132, 138, 276, 17, "", name="ValveType", middle=True)
    p.memo(412, 138, 70, 17, "Line Item:")
    p.memo(482, 138, 282, 17, "", name="LineItem", middle=True)

    cols = [(96, 336), (336, 408), (408, 528), (528, 648), (648, 768)]
    y = 156
    rows = []  # (top, height, number or None)

    def cell(col, top, h, text="", name=None, font="Arial", px=13, bold=False, inset=3):
        x0, x1 = cols[col]
        p.memo(x0 + 3, top + inset, x1 - x0 - 6, h - 2 * inset, text, name=name, font=font, px=px, bold=bold)

    # Row 1: the fluid across the row.
    rows.append((y, 24, 1))
    p.memo(100, y + 3, 90, 18, "Fluid Name:")
    p.memo(190, y + 3, 218, 18, "", name="FluidName")
    p.memo(412, y + 3, 90, 18, "Fluid State:")
    p.memo(502, y + 3, 262, 18, "", name="FluidState")
    y += 24

    def heading(texts):
        nonlocal y
        rows.append((y, 24, None))
        for col, text in enumerate(texts):
            # Two units nearer the rules than other cells: the bold heading needs 19 of the 24.
            cell(col, y, 24, text, px=15, bold=True, inset=2)
        y += 24

    def row(number, label, units, values, label_font="Arial"):
        nonlocal y
        rows.append((y, 24, number))
        if label.startswith("@"):
            cell(0, y, 24, LABEL_TEXTS.get(label[1:], ""), name=label[1:], font=label_font)
        else:
            cell(0, y, 24, label, font=label_font)
        if units is not None:
            cell(1, y, 24, " ", name=units)
        for col, name in enumerate(values):
            if name:
                cell(2 + col, y, 24, "", name=name)
        y += 24

    heading(["Sizing Properties", "Units", "Min", "Norm", "Max"])
    block1 = y
    row(2, "@P1Label", "P1units", ["P1Min", "P1Norm", "P1Max"])
    row(3, "@P2Label", "P2units", ["P2Min", "P2Norm", "P2Max"])
    row(4, "Temperature", "TempUnits", ["TempMin", "TempNorm", "TempMax"])
    row(5, "@CvorFlowSelectedlabel", "CvFlowSelUnits", ["SelCvorFlowMin", "SelCvorFlowNorm", "SelCvorFlowMax"])
    row(6, "@VPorSHLabel", "VPorSHUnits", ["VPorSHMin", "VPorSHNorm", "VPorSHMax"])
    row(7, "@CPorCompLabel", "CPorCompUnits", ["CPorCompMin", "CPorCompNorm", "CPorCompMax"])
    row(8, "@SGLabel", None, ["SGMin", "SGNorm", "SGMax"])
    row(9, "@ViscLabel", "ViscUnits", ["ViscMin", "ViscNorm", "ViscMax"])
    block1_end = y
    heading(["Valve, Pipe and Schedule Data", "Units", "Inlet", "Outlet", "Schedule"])
    block2 = y
    row(10, "Valve Size", "ValveSizeUnits", ["ValveSizeIn", "ValveSizeOut", None])
    row(11, "Pipe Size", "PipeSizeUnits", ["PipeSizeIn", "PipeSizeOut", "SchedIn"])
    block2_end = y
    heading(["Calculations", "Units", "Min", "Norm", "Max"])
    block3 = y
    row(12, "@CvorFlowResultslabel", "CvFlowCalcUnits", ["CalcCvorFlowMin", "CalcCvorFlowNorm", "CalcCvorFlowMax"])
    row(13, "@ListCvLabel", "CvLinorEq", ["ListCvMin", "ListCvNorm", "ListCvMax"])
    row(14, "@DPMaxLabel", "DPMUnits", ["DPMMin", "DPMNorm", "DPMMax"])
    row(15, "@TravelLabel", "TravelUnits", ["TravelMin", "TravelNorm", "TravelMax"])
    row(16, "Velocity In", "VelUnits", ["VelInMin", "VelInNorm", "VelInMax"])
    row(17, "Velocity Out", "VelUnitsOut", ["VelOutMin", "VelOutNorm", "VelOutMax"])
    row(18, "@NoiseLabel", "NoiseUnits", ["NoiseMin", "NoiseNorm", "NoiseMax"])
    row(19, "@DPP1AbsLabel", "DPP1AbsUnits", ["DPP1AbsMin", "DPP1AbsNorm", "DPP1AbsMax"], label_font="Arial Narrow")
    row(20, "@WarningsLabel", "WarningsUnits", ["WarningsMin", "WarningsNorm", "WarningsMax"])
    row(21, "@FLLabel", None, ["FLMin", "FLNorm", "FLMax"])
    row(22, "@DPactualLabel", "DPactualUnits", ["DPactualMin", "DPactualNorm", "DPactualMax"])
    block3_end = y
    assert y == 756, y

    # Rows 23 to 27 are numbered only: the recommendations and the warnings note each stand in
    # one unruled box, their text kept off the frame by an inner margin.
    for n in range(23, 28):
        rows.append((y, 30, n))
        y += 30
    p.memo(102, 786, 396, 116, "", name="SuggestionMemo", px=12)
    p.memo(510, 762, 252, 138, "", name="WarningMemo")
    p.memo(480, 762, 24, 18, "28")

    # The ruling. Each row is ruled from the label column on (row 1 and the headings from the
    # caption strip on) and in the number column; the caption strip is ruled only around each
    # group, so no rule crosses a caption; the memo boxes of rows 23 to 27 have no inner rules.
    for top, h, number in rows:
        if top >= 756:
            pass
        elif top in (y0 - 24 for y0 in (block1, block2, block3)) or number == 1:
            p.rect(72, top, 768, top + h)
        else:
            p.rect(96, top, 768, top + h)
        p.rect(48, top, 72, top + h)
        if number is not None:
            p.memo(50, top + 3, 20, h - 6, str(number))
    p.rect(48, 156, 72, 906)
    for x0, x1 in cols[:4]:
        p.rect(x0, 180, x1, 756)
    p.rect(96, 756, 504, 906)
    p.rect(504, 756, 768, 906)
    for (top, bottom, caption) in ((block1, block1_end, "Service Conditions"), (block2, block2_end, "Line"),
                                   (block3, block3_end, "Our Solution"), (756, 906, "Common")):
        p.rect(72, top, 96, bottom)
        # Side captions read upwards, as printed data sheets have them, centred on their group.
        p.memo(73, top + 1, 22, bottom - top - 2, caption, px=11, bold=True, rotation=90, centred=True)

    # Footer: who submitted it, and the standards used. Each value box holds two lines of a
    # smaller font when one line of the normal one is too short (the fill fits the text).
    p.rect(48, 906, 360, 1014)
    p.rect(360, 906, 768, 1014)
    for i, (label, name) in enumerate((("Submitted By:", "SubmitBy"), ("Company:", "Company"),
                                       ("Contact Info:", "ContactInfo"), ("Email:", "Email"),
                                       ("Report Generation Date:", "ReportDate"))):
        top = 907 + i * 21
        p.memo(52, top, 150, 21, label, gap=(2, 3))
        p.memo(202, top, 154, 21, "", name=name, gap=(2, 1), line_spacing=1, middle=True)
    p.memo(364, 910, 400, 100, "", name="StandardsMemo")
    return p


LABEL_TEXTS = {
    "CvorFlowResultslabel": "Cv", "CvorFlowSelectedlabel": "Flow", "P1Label": "Inlet Pressure",
    "P2Label": "Outlet Pressure", "VPorSHLabel": "Vapour Pressure", "CPorCompLabel": "Critical Pressure",
    "SGLabel": "Specific Gravity", "ViscLabel": "Dynamic Viscosity", "DPMaxLabel": "Delta P Max",
    "TravelLabel": "Travel", "NoiseLabel": "Predicted Noise", "DPP1AbsLabel": "Delta P/P1Abs",
    "WarningsLabel": "Flow Warnings", "DPactualLabel": "Delta P", "FLLabel": "Operational F\u029f",
    "ListCvLabel": "Selected Cv",
}


def chart_key():
    """The chart page's key: "CV" over a swatch of each curve, in its colour and its dash pattern
    (dotted Min, solid Norm, dashed Max, as the chart draws them), so the key reads in black and
    white too. The names stand beside it in MinCv, NormCv and MaxCv."""
    k = PICTURE_SCALE
    w, h = 156 * k, 216 * k
    c = Canvas(w, h, (255, 255, 255))
    c.rect(0, 0, w, 4 * k, pictures.NAVY)
    c.rect(0, h - 4 * k, w, h, pictures.NAVY)
    c.text_centred(w // 2, 40 * k, "CV", 4 * k, pictures.NAVY)
    patterns = ((1, 2), (1, 0), (4, 2))  # dash and gap, in line widths
    for i, (colour, (dash, gap)) in enumerate((((200, 40, 40), patterns[0]), ((40, 140, 40), patterns[1]),
                                               ((40, 60, 200), patterns[2]))):
        y = int((131 + i * 29.5) * k)
        x, x1, unit = 4 * k, 30 * k, 2 * k
        while x < x1:
            end = x1 if gap == 0 else min(x1, x + dash * unit)
            c.rect(x, y - unit // 2, end, y + unit - unit // 2, colour)
            x = end + gap * unit
    return png_hex(c)


def page2():
    p = Page()
    p.picture("ChartVXHeader", 93, 19, 280, 100, header_picture(280, 100, "VX", pictures.BLUE))
    p.picture("ChartPLHeader", 93, 19, 280, 100, header_picture(280, 100, "PL", PURPLE), visible=False)
    p.picture("ChartLFHeader", 93, 19, 280, 100, header_picture(280, 100, "LF", GREEN), visible=False)
    for i, line in enumerate(("Control Valve Sizing", "100 Industrial Way", "Springfield, ST 01000",
                              "Tel. +1 555 0100", "Fax +1 555 0101", "sizing@example.com")):
        p.memo(384, 24 + i * 14, 200, 14, line, px=8)
    # Caption over value; a value box holds two lines of a smaller font (the fill fits the text).
    for x, pairs in ((604, (("User", "ChartUser"), ("Customer", "ChartCust"))),
                     (793, (("Tag No.", "ChartTagNo"), ("Line Item", "ChartLineItem")))):
        for i, (caption, name) in enumerate(pairs):
            p.memo(x, 20 + i * 56, 151, 22, caption, px=16, bold=True)
            p.memo(x, 42 + i * 56, 151, 30, "", name=name, px=16, gap=(2, 1), line_spacing=1)
    p.picture("Picture1", 26, 139, 744, 564)
    # Opaque, so the chart's grid lines do not run through the recommendations, and only as large
    # as its text, so it hides as little of the plot as it can.
    p.memo(134, 247, 236, 116, "", name="ChartSuggestionMemo", gap=(6, 4), back=(255, 255, 255))
    p.picture("Picture2", 794, 189, 156, 216, chart_key())
    for i, (name, top) in enumerate((("MinCv", 308), ("NormCv", 337), ("MaxCv", 367))):
        p.memo(826, top, 120, 24, "", name=name, px=16)
    return p


def main():
    p1, p2 = page1(), page2()
    lines = ['<?xml version="1.0" encoding="utf-8" standalone="no"?>',
             '<TrepReport Version="6.5.10" ScriptLanguage="PascalScript" '
             'ScriptText.Text="begin&#13;&#10;&#13;&#10;end.">',
             '  <TrepDataPage Name="Data" Height="1000" Left="0" Top="0" Width="1000"/>',
             '  <TrepReportPage Name="Page1" PaperWidth="215.9" PaperHeight="279.4" PaperSize="256">']
    lines += ["    " + item for item in p1.items]
    lines += ['  </TrepReportPage>',
              '  <TrepReportPage Name="Page2" Orientation="poLandscape" PaperWidth="279.4" PaperHeight="215.9" '
              'PaperSize="1" LeftMargin="10" RightMargin="10" TopMargin="10" BottomMargin="10">']
    lines += ["    " + item for item in p2.items]
    lines += ['  </TrepReportPage>', '</TrepReport>', '']
    with open(OUT, "w", encoding="utf-8", newline="") as f:
        f.write("\r\n".join(lines))
    print("wrote", OUT, sum(len(l) for l in lines), "bytes,", len(p1.items) + len(p2.items), "objects")


if __name__ == "__main__":
    main()
