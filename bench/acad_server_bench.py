#!/usr/bin/python3
"""Drawing publishing through the command line and the drawing-program server, against the same work
done by the drawing engine alone in one Python process; and the server's start-to-ready time.

Usage: bench/acad_server_bench.py [BUILD_DIR] [--drawings N] [--entities N]
BUILD_DIR holds docvane-cli and docvane-acad-server (default: build)."""

import argparse
import math
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.normpath(os.path.join(HERE, ".."))
FIELDS = (("Объект", "Жилой дом"), ("Шифр", "2026-01-АР"))
RELEASE = "2010"


def make_drawing(path, entities, seed):
    import ezdxf

    rng = random.Random(seed)
    doc = ezdxf.new("R2018", setup=True)
    msp = doc.modelspace()
    per_kind = entities // 5
    for i in range(per_kind):
        x, y = rng.uniform(0, 20000), rng.uniform(0, 12000)
        msp.add_line((x, y), (x + rng.uniform(-800, 800), y + rng.uniform(-800, 800)))
        msp.add_circle((x, y), rng.uniform(50, 400))
        msp.add_arc((x, y), rng.uniform(50, 400), rng.uniform(0, 180), rng.uniform(180, 360))
        msp.add_lwpolyline([(x + 300 * math.cos(a), y + 300 * math.sin(a)) for a in (0, 2, 4)], close=True)
        if i % 4 == 0:
            msp.add_text(f"Помещение {i}", dxfattribs={"height": 150}).set_placement((x, y))
        else:
            msp.add_point((x, y))
    first = doc.layouts.get("Layout1")
    first.page_setup(size=(420, 297), margins=(10, 10, 10, 10))
    first.add_viewport(center=(200, 140), size=(380, 260), view_center_point=(10000, 6000), view_height=13000)
    first.add_text("Лист 1", dxfattribs={"height": 5}).set_placement((10, 5))
    doc.layouts.rename("Layout1", "План")
    second = doc.layouts.new("Фрагмент")
    second.page_setup(size=(297, 210), margins=(10, 10, 10, 10))
    second.add_viewport(center=(140, 95), size=(260, 170), view_center_point=(5000, 3000), view_height=4000)
    second.add_text("Лист 2", dxfattribs={"height": 5}).set_placement((10, 5))
    doc.saveas(path)


def write_project(folder, names):
    entries = "".join(
        f"<fileDoc><fileRelativePath>.\\{name}</fileRelativePath><xrefsBefore/><xrefsAfter/><sheetNames/>"
        f"<wordRefs/></fileDoc>"
        for name in names
    )
    fields = "".join(f"<fieldDoc><name>{k}</name><value>{v}</value></fieldDoc>" for k, v in FIELDS)
    text = f"""<docvane>
<pdfFile><fileRelativePath>.\\out\\Все.pdf</fileRelativePath></pdfFile>
<editDir><dirRelativePath>.\\out\\EDIT</dirRelativePath></editDir>
<pdfDir><dirRelativePath>.\\out\\PDF</dirRelativePath></pdfDir>
<fileDocs>{entries}</fileDocs>
<fieldDocs>{fields}</fieldDocs>
<propertyDoc><general><combinePdf><isCombine>false</isCombine></combinePdf>
<numberingPdf><isNumbering>false</isNumbering></numberingPdf></general><autocad><general><fileFormat>{RELEASE}</fileFormat><splitIntoLayouts>false</splitIntoLayouts>
</general></autocad></propertyDoc>
</docvane>
"""
    path = os.path.join(folder, "bench.dv1")
    with open(path, "w", encoding="utf-8") as stream:
        stream.write(text)
    return path


def engine_alone(folder, names):
    """Load, write the properties, render each sheet to PDF, save the copy: the engine's own work. The
    project above combines nothing, so both sides do the same work."""
    sys.path.insert(0, os.path.join(SOURCE, "src", "servers"))
    import ezdxf
    from docvane_servers.acad.pdf_export import PdfWriter

    out = os.path.join(folder, "alone")
    os.makedirs(out, exist_ok=True)
    started = time.monotonic()
    for name in names:
        doc = ezdxf.readfile(os.path.join(folder, name))
        for key, value in FIELDS:
            doc.header.custom_vars.append(key, value)
        stem = os.path.splitext(name)[0]
        sheets = [doc.layouts.get(n) for n in doc.layouts.names_in_taborder()[1:]]
        PdfWriter(os.path.join(out, stem + ".pdf")).write(doc, sheets)
        doc.dxfversion = ezdxf.const.acad_release_to_dxf_version["R" + RELEASE]
        doc.saveas(os.path.join(out, name))
    return time.monotonic() - started


def through_cli(build, project, folder):
    env = dict(os.environ, DOCVANE_CONFIG_HOME=os.path.join(folder, "config"),
               DOCVANE_RUNTIME_DIR=os.path.join(folder, "run"))
    os.makedirs(env["DOCVANE_RUNTIME_DIR"], mode=0o700, exist_ok=True)
    started = time.monotonic()
    result = subprocess.run([os.path.join(build, "docvane-cli"), "publish", project, "--full", "--no-save"],
                            env=env, capture_output=True, text=True)
    elapsed = time.monotonic() - started
    if result.returncode != 0:
        print(result.stdout[-2000:], result.stderr[-2000:], sep="\n")
        print(f"docvane-cli exited {result.returncode}")
    return elapsed, result.returncode


def start_to_ready(server, folder, rounds=5):
    """Seconds from starting the server to its readiness byte, best and worst of a few starts."""
    times = []
    for _ in range(rounds):
        read_end, write_end = os.pipe()
        env = dict(os.environ, DOCVANE_READY_FD=str(write_end), DOCVANE_RUNTIME_DIR=os.path.join(folder, "run"))
        started = time.monotonic()
        process = subprocess.Popen([server, "/nologo", "/nossm", "/pl"], env=env, pass_fds=(write_end,),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        ready = os.read(read_end, 1)
        elapsed = time.monotonic() - started
        os.close(read_end)
        process.terminate()
        process.wait(timeout=10)
        if not ready:
            print("the server ended without reporting ready")
            return None
        times.append(elapsed)
    return min(times), max(times)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default=os.path.join(SOURCE, "build"))
    parser.add_argument("--drawings", type=int, default=50)
    parser.add_argument("--entities", type=int, default=2000)
    args = parser.parse_args()
    build = os.path.abspath(args.build)

    folder = tempfile.mkdtemp(prefix="acad-bench-")
    try:
        names = [f"Чертеж {i:02d}.dxf" for i in range(args.drawings)]
        started = time.monotonic()
        for i, name in enumerate(names):
            make_drawing(os.path.join(folder, name), args.entities, i)
        print(f"made {len(names)} drawings of {args.entities} entities and 2 sheets "
              f"in {time.monotonic() - started:.1f} s")
        project = write_project(folder, names)

        cli_time, status = through_cli(build, project, folder)
        alone_time = engine_alone(folder, names)
        print(f"docvane-cli publish --full: {cli_time:.2f} s"
              f"{'' if status == 0 else ' (failed, see above)'}")
        print(f"engine alone, one process:  {alone_time:.2f} s")
        print(f"ratio: {cli_time / alone_time:.2f}x (target 1.3x or less)")

        ready = start_to_ready(os.path.join(build, "docvane-acad-server"), folder)
        if ready is not None:
            print(f"server start to ready: best {ready[0] * 1000:.0f} ms, worst {ready[1] * 1000:.0f} ms "
                  f"(target under 1000 ms)")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
