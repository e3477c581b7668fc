#!/usr/bin/python3
"""The DXF drawing and the GeoJSON layer read back by independent readers.

  points_files_check.py dxf PROGRAM SOURCE WORK [--guide]
      every example through the command line with --dxf; the drawing read with ezdxf (Debian's
      python3-ezdxf): its audit finds nothing, the layers are the drawing's, every point, label,
      ray, ellipse and attribute is where the run put it, the coordinate system is stated; then
      rendered to PNG with ezdxf's drawing add-on and matplotlib (python3-matplotlib). With
      --guide the guide's picture (docs/dxf-levantamento-gc.png) is drawn again.
  points_files_check.py geojson PROGRAM SOURCE WORK
      the GeoJSON read with GDAL's ogrinfo (gdal-bin): EPSG:3763 when given, every feature's
      coordinates those of the run to the printed millimetre, and no system when none is given.

Exits 77 (a skipped test for CTest) when the reader is not installed, saying why.
"""
import json
import math
import os
import re
import shutil
import subprocess
import sys

SKIP = 77
EXAMPLES = ["levantamento-gc.txt", "levantamento-gs.txt", "levantamento-gr.txt",
            "leitura-errada.txt", "exemplo.txt"]
GUIDE_EXAMPLE = "levantamento-gc.txt"
GUIDE_PICTURE = "docs/dxf-levantamento-gc.png"
LAYERS = {"ESTACOES", "REFERENCIAS", "PONTOS_NOVOS", "VISADAS", "LEITURA_SUSPEITA",
          "ROTULOS", "NOTAS"}
ROLE_LAYER = {"estacao": "ESTACOES", "referencia": "REFERENCIAS", "ponto novo": "PONTOS_NOVOS"}

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def run(program, work, example, *options):
    """Runs the command line on one example copied into `work`; returns its printed values
    (M, P and C to the millimetre, as standard output or the stop's line shows them) and the
    JSON document of the run."""
    result = subprocess.run([program, example, "--json", "run.json", *options], cwd=work,
                            capture_output=True, text=True)
    printed = {}
    for key, value in re.findall(r"\b([MPC]) = (-?[0-9]+\.[0-9]{3})\b",
                                 result.stdout + result.stderr):
        printed.setdefault(key, value)
    with open(os.path.join(work, "run.json"), encoding="utf-8") as f:
        document = json.load(f)
    return result, printed, document["ficheiros"][0]


def known_points(entry):
    """Every station and reference point of a run: name -> (role, M, P)."""
    points = {}
    for station in entry["estacoes"]:
        for reference in station["referencias"]:
            points.setdefault(reference["nome"], ("referencia", reference["M"], reference["P"]))
    for station in entry["estacoes"]:
        points[station["nome"]] = ("estacao", station["M"], station["P"])
    return points


def prepare(work, source):
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    for example in EXAMPLES:
        shutil.copy(os.path.join(source, "examples", example), work)


# ---------------------------------------------------------------------------------------------
# DXF


def attributes(insert):
    return {attrib.dxf.tag: attrib.dxf.text for attrib in insert.attribs}


def check_points(doc, msp, entry, printed, example):
    texts = [t for t in msp.query("TEXT") if t.dxf.layer == "ROTULOS"]
    height = texts[0].dxf.height if texts else 1
    expected = {name: (ROLE_LAYER[role], m, p, None) for name, (role, m, p) in
                known_points(entry).items()}
    expected[entry["ponto"]] = ("PONTOS_NOVOS", float(printed["M"]), float(printed["P"]),
                                float(printed["C"]) if "C" in printed else None)
    inserts = {attributes(i)["NOME"]: i for i in msp.query("INSERT")}
    for name, (layer, m, p, c) in expected.items():
        new = layer == "PONTOS_NOVOS"
        tolerance = 0.0005 if new else 1e-9  # new points: the printed millimetre
        marks = [e for e in msp.query("POINT") if e.dxf.layer == layer and
                 abs(e.dxf.location.x - m) <= tolerance and abs(e.dxf.location.y - p) <= tolerance]
        check(len(marks) == 1, f"{example}: POINT of {name} on {layer}")
        if c is not None and marks:
            check(abs(marks[0].dxf.location.z - c) <= 0.0005, f"{example}: Z of {name}")
        # The name beside its mark: right of it, within a text height of its level.
        beside = [t for t in texts if t.plain_text() == name and
                  0 < t.dxf.insert.x - m < 2 * height and abs(t.dxf.insert.y - p) < height]
        check(len(beside) == 1, f"{example}: label of {name} beside its point")
        if new and c is not None:
            check(any(t.plain_text() == f"C = {printed['C']}" for t in texts),
                  f"{example}: the height's label of {name}")
        attribs = attributes(inserts[name]) if name in inserts else {}
        check(attribs.get("M") == f"{m:.3f}" and attribs.get("P") == f"{p:.3f}",
              f"{example}: attributes of {name}: {attribs}")
        if new and "C" in printed:
            check(attribs.get("C") == printed["C"], f"{example}: attribute C of {name}")
    check(len(msp.query("POINT")) == len(expected), f"{example}: one POINT per point")
    check(len(inserts) == len(expected), f"{example}: one block per point")


def check_ellipse(msp, layers, entry, printed, example):
    ellipse_layers = [name for name in layers if name.startswith("ELIPSES_X")]
    analysis = entry.get("analise")
    if not analysis or not analysis.get("elipse"):
        check(not ellipse_layers and not msp.query("ELLIPSE"), f"{example}: no ellipse")
        return
    check(len(ellipse_layers) == 1, f"{example}: one ellipse layer, with its factor")
    factor = float(ellipse_layers[0][len("ELIPSES_X"):])
    ellipses = msp.query("ELLIPSE")
    check(len(ellipses) == 1 and ellipses[0].dxf.layer == ellipse_layers[0],
          f"{example}: the ellipse on its layer")
    e, expected = ellipses[0], analysis["elipse"]
    axis = e.dxf.major_axis
    check(abs(e.dxf.center.x - float(printed["M"])) <= 0.0005, f"{example}: ellipse centre")
    check(math.isclose(math.hypot(axis.x, axis.y), expected["a"] * factor, rel_tol=1e-9),
          f"{example}: ellipse semi-major axis times {factor}")
    check(math.isclose(e.dxf.ratio, expected["b"] / expected["a"], rel_tol=1e-9),
          f"{example}: ellipse ratio")
    # The bearing, clockwise from north, of the major axis (either of its two ends).
    bearing = math.atan2(axis.x, axis.y) % math.pi
    check(abs(bearing - expected["azimute"] % math.pi) < 1e-9, f"{example}: ellipse bearing")
    notes = " ".join(t.plain_text() for t in msp.query("TEXT") if t.dxf.layer == "NOTAS")
    check(f"ampliadas {factor:.0f} vezes" in notes, f"{example}: the factor in the note")


def check_suspect(msp, entry, example):
    analysis = entry.get("analise") or {}
    suspected = [r for r in analysis.get("leituras", []) if r.get("suspeita")]
    lines = [line for line in msp.query("LINE") if line.dxf.layer == "LEITURA_SUSPEITA"]
    check(len(lines) >= len(suspected), f"{example}: the suspected readings drawn")
    if suspected:
        check(any(t.plain_text().startswith("w = ") for t in msp.query("TEXT")
                  if t.dxf.layer == "LEITURA_SUSPEITA"), f"{example}: the suspected w")
    rays = [line for line in msp.query("LINE") if line.dxf.layer == "VISADAS"]
    check(len(rays) + len(lines) >= len(entry["estacoes"]), f"{example}: a ray per station")


def check_dxf(ezdxf, path, entry, printed, example):
    doc = ezdxf.readfile(path)
    check(doc.dxfversion == "AC1015", f"{example}: version {doc.dxfversion}")
    check(doc.header.get("$INSUNITS") == 6, f"{example}: metres")
    auditor = doc.audit()
    check(not auditor.errors and not auditor.fixes,
          f"{example}: audit {[e.message for e in auditor.errors + auditor.fixes]}")
    msp = doc.modelspace()
    layers = {layer.dxf.name for layer in doc.layers}
    check(LAYERS <= layers, f"{example}: layers {sorted(layers)}")
    check({e.dxf.layer for e in msp} <= layers, f"{example}: every entity on a layer of the table")
    check_points(doc, msp, entry, printed, example)
    check_ellipse(msp, layers, entry, printed, example)
    check_suspect(msp, entry, example)
    properties = doc.rootdict.get("DWGPROPS")
    values = [value for code, value in properties.tags] if properties else []
    check("SistemaCoordenadas=EPSG:3763" in values, f"{example}: the system in the properties")
    check(any("EPSG:3763" in t.plain_text() for t in msp.query("TEXT") if t.dxf.layer == "NOTAS"),
          f"{example}: the system in the note")
    return doc


def render(doc, png):
    import logging
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    from ezdxf.addons.drawing import Frontend, RenderContext
    from ezdxf.addons.drawing.config import Configuration
    from ezdxf.addons.drawing.matplotlib import MatplotlibBackend
    from ezdxf.addons.drawing.properties import LayoutProperties
    logging.getLogger("matplotlib.font_manager").setLevel(logging.ERROR)
    msp = doc.modelspace()
    figure = plt.figure(figsize=(12, 9))
    axes = figure.add_axes([0, 0, 1, 1])
    properties = LayoutProperties.from_layout(msp)
    properties.set_colors("#ffffff")
    # The points' marks as the drawing's header sets them.
    config = Configuration.defaults().with_changes(pdsize=None, pdmode=None)
    Frontend(RenderContext(doc), MatplotlibBackend(axes), config=config).draw_layout(
        msp, finalize=True, layout_properties=properties)
    figure.savefig(png, dpi=220, facecolor="white")
    plt.close(figure)


def png_is_drawn(png):
    """A picture of 1000 pixels or more on its long side, with more than 500 not white."""
    import matplotlib.image
    pixels = matplotlib.image.imread(png)
    drawn = (pixels[:, :, :3].min(axis=2) < 0.9).sum()
    return max(pixels.shape[:2]) >= 1000 and drawn > 500


def dxf_main(program, source, work, guide):
    try:
        import ezdxf
        import matplotlib  # noqa: F401
    except ImportError as error:
        print(f"skipped: {error.name} is not installed (Debian's python3-ezdxf and "
              "python3-matplotlib)")
        return SKIP
    prepare(work, source)
    for example in EXAMPLES:
        dxf = example.replace(".txt", ".dxf")
        result, printed, entry = run(program, work, example, "--crs", "EPSG:3763", "--dxf", dxf)
        check(os.path.exists(os.path.join(work, dxf)), f"{example}: no drawing: {result.stderr}")
        if not os.path.exists(os.path.join(work, dxf)):
            continue
        doc = check_dxf(ezdxf, os.path.join(work, dxf), entry, printed, example)
        png = os.path.join(work, dxf.replace(".dxf", ".png"))
        render(doc, png)
        check(png_is_drawn(png), f"{example}: the rendering {png} is blank")
        if guide and example == GUIDE_EXAMPLE:
            shutil.copy(png, os.path.join(source, GUIDE_PICTURE))
    check(os.path.exists(os.path.join(source, GUIDE_PICTURE)), "the guide's picture")
    return report()


# ---------------------------------------------------------------------------------------------
# GeoJSON


def ogr_features(path):
    """The features as ogrinfo lists them: (properties, coordinates), and the layer's summary."""
    listing = subprocess.run(["ogrinfo", "-ro", "-al", path], capture_output=True, text=True,
                             check=True).stdout
    features = []
    for block in listing.split("OGRFeature(")[1:]:
        props = dict(re.findall(r"^\s+(\w+) \(\w+\) = (.*)$", block, re.M))
        point = re.search(r"POINT Z? ?\(([^)]*)\)", block)
        features.append((props, [float(v) for v in point.group(1).split()]))
    return listing.split("OGRFeature(")[0], features


def geojson_main(program, source, work):
    if shutil.which("ogrinfo") is None:
        print("skipped: ogrinfo is not installed (Debian's gdal-bin)")
        return SKIP
    prepare(work, source)
    for example in EXAMPLES:
        layer = example.replace(".txt", ".geojson")
        _, printed, entry = run(program, work, example, "--crs", "EPSG:3763", "--geojson", layer)
        summary, features = ogr_features(os.path.join(work, layer))
        check('ID["EPSG",3763]' in summary, f"{example}: the layer's system is EPSG:3763")
        known = known_points(entry)
        check(len(features) == len(known) + 1, f"{example}: one feature per point")
        for props, xyz in features:
            name = props.get("nome")
            if props.get("papel") == "ponto novo":
                check(name == entry["ponto"], f"{example}: the new point's name")
                for value, key in zip(xyz, "MPC"):
                    check(f"{value:.3f}" == printed.get(key), f"{example}: {key} of {name}")
                check(len(xyz) == (3 if "C" in printed else 2), f"{example}: C as Z")
            else:
                role, m, p = known.get(name, (None, None, None))
                check(props.get("papel") == role, f"{example}: role of {name}")
                check(xyz == [m, p], f"{example}: coordinates of {name}")
    # No system stated, none written; a code that is not AUTHORITY:NUMBER is kept, with a warning.
    run(program, work, EXAMPLES[0], "--geojson", "sem.geojson")
    with open(os.path.join(work, "sem.geojson"), encoding="utf-8") as f:
        check("crs" not in json.load(f), "no crs member without --crs")
    result, _, _ = run(program, work, EXAMPLES[0], "--crs", "Datum 73", "--geojson", "d73.geojson")
    check("Aviso" in result.stderr and result.returncode == 0, "a warning for 'Datum 73'")
    with open(os.path.join(work, "d73.geojson"), encoding="utf-8") as f:
        check(json.load(f)["crs"]["properties"]["name"] == "Datum 73", "the code as given")
    return report()


def report():
    for failure in failures:
        print("FAILED:", failure)
    print(f"{'no' if not failures else len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    mode, program, source, work = sys.argv[1:5]
    if mode == "dxf":
        sys.exit(dxf_main(program, source, work, "--guide" in sys.argv[5:]))
    sys.exit(geojson_main(program, source, work))
