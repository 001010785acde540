#!/usr/bin/python3
"""Word-processor publishing against a bare conversion (run on demand, prints figures).

Makes 20 documents of about 10 pages (fields in body, header and a text box, one contents table
each), then times
  ours:  `docvane-cli publish --full` of a project of the 20 (PDF, editable copy, fields, contents
         rows, combined PDF), through docvane-word-server;
  bare:  one `soffice --headless --convert-to pdf` call on the same 20 files;
and prints both times and their ratio (target: at most 1.5).

  bench/word_server_bench.py [--cli PATH] [--direct] [--count N] [--runs N] [--floor]

--runs N times both N times, alternately (the machine's load changes between runs), and prints every
pair, the load averages and the medians.

--floor also times the office work a publication cannot do without, driven straight over UNO by this
process with the server's own office: start, then for each document open (a private copy), one field
refresh, PDF, .docx copy, close. Its ratio to the bare conversion is the lowest any run of ours could
reach; what ours takes above it is fields, contents rows and the automation calls.

--direct drives docvane-word-server through the protocol with the client's own call sequence
instead of docvane-cli (for when the program cannot reach servers), without the combined PDF.
"""
import argparse
import os
import statistics
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "src", "servers"))
sys.path.insert(0, os.path.join(ROOT, "examples", "demo", "generator"))
sys.path.insert(0, os.path.join(ROOT, "tests", "servers"))

import docx_writer as dx  # noqa: E402

SERVER = os.path.join(ROOT, "src", "servers", "docvane-word-server")


def make_document(path, number):
    rows = [("Д%02d-%d" % (number, i), "Раздел %d документа %d" % (i, number), str(i + 1)) for i in range(1, 21)]
    body = dx.paragraph(dx.text_run("Документ %d. Объект: " % number), dx.property_field("Объект", "-"))
    body += dx.text_box(dx.paragraph(dx.text_run("Объект: "), dx.property_field("Объект", "-")))
    body += dx.contents_table(rows)
    for page in range(2, 11):
        body += dx.page_break()
        body += "".join(dx.paragraph(dx.text_run("Страница %d, абзац %d. " % (page, k) * 6)) for k in range(8))
    dx.write_docx(path, body, {"Объект": "-"},
                  header=dx.paragraph(dx.text_run("Шапка: "), dx.property_field("Объект", "-")))


def run_ours(cli, folder, names):
    from test_word_publish import write_project  # the tests' project writer

    config = os.path.join(folder, "config")
    os.makedirs(config, exist_ok=True)
    with open(os.path.join(config, "classes.conf"), "w") as classes:
        classes.write("Word.Application = %s\n" % SERVER)
    project = write_project(folder, names)
    env = dict(os.environ, DOCVANE_CONFIG_HOME=config)
    started = time.monotonic()
    result = subprocess.run([cli, "publish", project, "--full"], env=env, capture_output=True, text=True)
    elapsed = time.monotonic() - started
    if result.returncode != 0:
        print(result.stdout[-2000:], file=sys.stderr)
        raise SystemExit("docvane-cli failed (%d)" % result.returncode)
    return elapsed


def run_direct(folder, names):
    """The client's calls for each document, over the protocol, through one server."""
    from test_word_process import WordServerProcess

    from docvane_servers.client import Client
    from docvane_servers.dispatch import OMITTED

    runtime = os.path.join(folder, "run")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    out = os.path.join(folder, "out")
    os.makedirs(out, exist_ok=True)
    started = time.monotonic()
    server = WordServerProcess(runtime)
    with Client(server.address, timeout=120) as client:
        app = client.root
        for name in names:
            document = app.get("Documents").call("Open", os.path.join(folder, name), 0, 1, 0, "", "", 0,
                                                 *[OMITTED] * 4, 1, *[OMITTED] * 4)
            properties = document.get("CustomDocumentProperties")
            for k in range(1, properties.get("Count") + 1):
                prop = document.get("CustomDocumentProperties", k)
                if prop.get("Name") == "Объект":
                    prop.put("Type", 4)
                    prop.put("Value", "Бенчмарк")
                    prop.get("Value")
            document.get("Fields").call("Update")
            shapes = document.get("Shapes")
            for i in range(1, shapes.call("Count") + 1):
                shapes.get("Item", i).get("TextFrame").get("TextRange").get("Fields").call("Update")
            header = document.get("Sections").call("Item", 1).get("Headers").call("Item", 1)
            if header.get("Exists"):
                header.get("Range").get("Fields").call("Update")
            tables = document.get("Tables")
            for t in range(1, tables.get("Count") + 1):
                rows = tables.call("Item", t).get("Rows")
                for r in range(2, rows.get("Count") + 1):
                    row_range = rows.call("Item", r).get("Range")
                    for kind in (5, 6, 3):
                        row_range.get("Information", kind)
                    row_range.get("PageSetup").get("PageHeight")
                    row_range.get("Text")
                    rows.call("Item", r).get("Cells").call("Item", 1).get("Height")
            stem = os.path.splitext(name)[0]
            document.call("ExportAsFixedFormat", os.path.join(out, stem + ".pdf"), 17, 0)
            document.call("SaveAs2", os.path.join(out, name), 16, False, OMITTED, 0, "", False, False, 0,
                          *[OMITTED] * 8)
            document.call("Close", 0)
        app.call("Quit", 0)
    server.ended()
    server.stop()
    return time.monotonic() - started


def run_floor(folder, names):
    from docvane_servers.word.document import open_document, _close_model
    from docvane_servers.word.layout import layout_call
    from docvane_servers.word.office import Office, property_values
    import uno

    out = os.path.join(folder, "floor")
    os.makedirs(out, exist_ok=True)
    started = time.monotonic()
    office = Office()
    try:
        for name in names:
            opened = open_document(office, os.path.join(folder, name))
            if opened is None:
                raise SystemExit("the office did not open %s" % name)
            model = opened[0]
            layout_call(office, model, "RefreshFields")
            stem = os.path.splitext(name)[0]
            for target, filter_name in ((stem + ".pdf", "writer_pdf_Export"), (name, "MS Word 2007 XML")):
                model.storeToURL(uno.systemPathToFileUrl(os.path.join(out, target)),
                                 property_values(FilterName=filter_name, Overwrite=True))
            office.bound_document = None
            _close_model(model)
        return time.monotonic() - started
    finally:
        office.stop()


def run_bare(folder, names):
    out = os.path.join(folder, "bare")
    profile = "file://" + os.path.join(folder, "bare-profile")
    # A first start sets up the profile; both runs then start an office with a ready profile.
    subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--terminate_after_init"],
                   capture_output=True)
    started = time.monotonic()
    subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--convert-to", "pdf",
                    "--outdir", out] + [os.path.join(folder, name) for name in names], check=True,
                   capture_output=True)
    return time.monotonic() - started


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", default=os.path.join(ROOT, "build", "docvane-cli"))
    parser.add_argument("--direct", action="store_true")
    parser.add_argument("--count", type=int, default=20)
    parser.add_argument("--runs", type=int, default=1)
    parser.add_argument("--floor", action="store_true")
    options = parser.parse_args()
    folder = tempfile.mkdtemp(prefix="word-bench-")
    try:
        names = []
        for number in range(1, options.count + 1):
            name = "%02d Документ.docx" % number
            make_document(os.path.join(folder, name), number)
            names.append(name)
        print("documents: %d (about %d pages)" % (len(names), len(names) * 10))
        kind = "server over the protocol" if options.direct else "docvane-cli publish --full"
        pairs = []
        for run in range(max(1, options.runs)):
            load = "load average %.2f %.2f %.2f" % os.getloadavg()
            bare = run_bare(folder, names)
            ours = run_direct(folder, names) if options.direct else run_ours(options.cli, folder, names)
            floor = run_floor(folder, names) if options.floor else None
            pairs.append((ours, bare, floor))
            if options.runs > 1:
                print("run %d (%s): ours %.2f s, bare %.2f s, ratio %.2f%s" %
                      (run + 1, load, ours, bare, ours / bare,
                       "" if floor is None else ", floor %.2f s (ratio %.2f)" % (floor, floor / bare)))
        ours = statistics.median(pair[0] for pair in pairs)
        bare = statistics.median(pair[1] for pair in pairs)
        ratio = statistics.median(pair[0] / pair[1] for pair in pairs)
        median = " (median of %d)" % len(pairs) if len(pairs) > 1 else ""
        print("ours (%s): %.2f s%s" % (kind, ours, median))
        print("bare soffice --convert-to pdf: %.2f s%s" % (bare, median))
        print("ratio: %.2f (target <= 1.5)%s" % (ratio, median))
        if options.floor:
            floor = statistics.median(pair[2] for pair in pairs)
            floor_ratio = statistics.median(pair[2] / pair[1] for pair in pairs)
            print("floor (office work alone): %.2f s, ratio %.2f%s" % (floor, floor_ratio, median))
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
