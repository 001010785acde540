#!/usr/bin/python3
"""Publishing with several files at once against one at a time (run on demand, prints figures).

  (a) mixed: 8 .dxf drawings, 8 .docx documents and 20 ready PDFs, interleaved in the list;
      `docvane-cli publish --full` with `--jobs 1` and with the default number of jobs.
      Target: default / jobs 1 <= 0.65 (wall time).
  (b) documents: 12 .docx of about 10 pages, each with DOCPROPERTY fields (body, header, a text box) and
      a contents table; `--jobs 1`, the default, and one bare
      `soffice --headless --convert-to pdf` of the same 12 files in one process (own profile, set up
      by a first start beforehand). Target: default / bare soffice <= 1.0 (wall time).
      Also timed, without a target: the bare office on a profile that records its version as seen,
      as the servers' offices start (such an office skips its graphics self-tests on every start).

Every run publishes a fresh copy of the inputs. Printed for each: wall time and processor time of the
whole process tree (servers and offices included), as the median of --runs repeats; the order of the
kinds alternates between repeats (the machine's load drifts). A docvane-cli that does not take --jobs
(one file at a time only) is told apart: then only its default run is timed, against the bare office.

  bench/parallel_publish_bench.py [--cli PATH] [--runs N] [--only a|b] [--entities E] [--jobs N]
                                  [--baseline PATH]

--jobs N times `--jobs N` in place of the default run (to see where the gain stops).
--baseline PATH also times the default run of another docvane-cli (an earlier build) in the same
repeats, so that `--jobs 1` is compared with it under the same load.
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import bench_inputs as bi

sys.path.insert(0, os.path.join(bi.ROOT, "src", "servers"))
from docvane_servers.word import profile_template  # noqa: E402

OFFICE_BINARY = "/usr/lib/libreoffice/program/soffice.bin"

SHEETS = re.compile(r"Общее количество листов: (\d+)")


def make_mixed(folder, entities):
    os.makedirs(folder)
    drawings, documents = [], []
    for i in range(1, 9):
        drawings.append("Чертеж %02d.dxf" % i)
        bi.make_drawing(os.path.join(folder, drawings[-1]), entities, i)
        documents.append("Документ %02d.docx" % i)
        bi.make_document(os.path.join(folder, documents[-1]), i)
    ready = bi.make_ready_pdfs(folder, 20)
    # A list that moves between the programs as a real set does: a few PDFs, a drawing, a document...
    names = []
    while ready or drawings or documents:
        names += ready[:2] + drawings[:1] + ready[2:3] + documents[:1]
        ready, drawings, documents = ready[3:], drawings[1:], documents[1:]
    return names


def make_documents(folder):
    os.makedirs(folder)
    names = []
    for i in range(1, 13):
        names.append("%02d Документ.docx" % i)
        bi.make_document(os.path.join(folder, names[-1]), i)
    return names


def bare_soffice(folder, names, profile_name="bare-profile"):
    """One office process converting every file; (wall, processor seconds)."""
    profile = "file://" + os.path.join(folder, profile_name)
    out = os.path.join(folder, "bare-out")
    shutil.rmtree(out, ignore_errors=True)
    before = bi.children_seconds()
    started = time.monotonic()
    result = subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--convert-to", "pdf",
                             "--outdir", out] + [os.path.join(folder, "inputs", name) for name in names],
                            capture_output=True)
    wall = time.monotonic() - started
    made = len([name for name in os.listdir(out) if name.endswith(".pdf")]) if os.path.isdir(out) else 0
    if result.returncode != 0 or made != len(names):
        raise SystemExit("the bare office made %d of %d PDFs (exit %d)" % (made, len(names), result.returncode))
    return wall, bi.children_seconds() - before


def prepare_bare_profile(folder):
    profile = "file://" + os.path.join(folder, "bare-profile")
    subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--terminate_after_init"],
                   capture_output=True)
    marked = os.path.join(folder, "bare-profile-marked")
    shutil.copytree(os.path.join(folder, "bare-profile"), marked, symlinks=True)
    if not profile_template.mark_version_seen(marked, profile_template.office_version(OFFICE_BINARY)):
        raise SystemExit("cannot mark the office's version in " + marked)


class Kind:
    def __init__(self, label, extra, cli=None):
        self.label = label
        self.extra = extra
        self.cli = cli  # another program than --cli (the baseline build)
        self.times = []  # (wall, processor)
        self.sheets = set()


def run_kind(cli, kind, folder, environment):
    work = bi.fresh_copy(os.path.join(folder, "inputs"), os.path.join(folder, "work"))
    wall, cpu, status, output = bi.publish(kind.cli or cli, os.path.join(work, "bench.dv1"), environment,
                                           kind.extra)
    if status not in (0, 3):
        print(output[-3000:])
        raise SystemExit("docvane-cli publish %s exited %d" % (" ".join(kind.extra), status))
    kind.times.append((wall, cpu))
    kind.sheets.update(SHEETS.findall(output))
    return wall, cpu


def median(kind, index):
    return statistics.median(pair[index] for pair in kind.times)


def report(kind):
    wall, cpu = median(kind, 0), median(kind, 1)
    print("  %-24s wall %6.2f s, processor %6.2f s (%.2f cores busy)%s" % (
        kind.label + ":", wall, cpu, cpu / wall if wall else 0,
        "" if len(kind.sheets) <= 1 else "  sheets differ between runs: " + ", ".join(sorted(kind.sheets))))


def ratio(label, top, bottom, target=None):
    """The median of the repeats' wall-time ratios."""
    value = statistics.median(a[0] / b[0] for a, b in zip(top.times, bottom.times))
    if target is None:
        print("  %s: %.3f" % (label, value))
    else:
        print("  %s: %.3f (target <= %.2f)%s" % (label, value, target, "" if value <= target else "  MISSED"))


def bench(title, folder, names, kinds, cli, environment, runs, bare=None, marked=None):
    bi.write_project(os.path.join(folder, "inputs"), names)
    print("%s: %d files" % (title, len(names)))
    for run in range(runs):
        order = kinds if run % 2 == 0 else list(reversed(kinds))
        pieces = []
        for kind in order:
            wall, cpu = run_kind(cli, kind, folder, environment)
            pieces.append("%s %.2f s (cpu %.2f s)" % (kind.label, wall, cpu))
        if bare is not None:
            wall, cpu = bare_soffice(folder, names)
            bare.times.append((wall, cpu))
            pieces.append("%s %.2f s (cpu %.2f s)" % (bare.label, wall, cpu))
        if marked is not None:
            wall, cpu = bare_soffice(folder, names, "bare-profile-marked")
            marked.times.append((wall, cpu))
            pieces.append("%s %.2f s (cpu %.2f s)" % (marked.label, wall, cpu))
        print("  run %d (load %.2f): %s" % (run + 1, os.getloadavg()[0], "; ".join(pieces)))
    median_note = " (medians of %d)" % runs if runs > 1 else ""
    print(" figures%s:" % median_note)
    for kind in kinds + [extra for extra in (bare, marked) if extra is not None]:
        report(kind)
    sheets = set().union(*(kind.sheets for kind in kinds))
    if len(sheets) > 1:
        print("  the combined PDFs differ in sheets between kinds: " + ", ".join(sorted(sheets)))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", default=os.path.join(bi.ROOT, "build", "docvane-cli"))
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--only", choices=("a", "b"))
    parser.add_argument("--entities", type=int, default=2000)
    parser.add_argument("--jobs", type=int, default=0)
    parser.add_argument("--baseline")
    options = parser.parse_args()
    cli = os.path.abspath(options.cli)
    runs = max(1, options.runs)
    parallel = bi.accepts_jobs(cli)
    print("docvane-cli: %s (%s)" % (cli, "takes --jobs" if parallel else
                                     "does not take --jobs: one file at a time; only its default run is timed"))
    print("processor cores: %d; load average %.2f %.2f %.2f" % ((os.cpu_count() or 0,) + os.getloadavg()))
    if options.jobs and not parallel:
        print("--jobs %d is ignored" % options.jobs)

    def kinds():
        default = Kind("jobs %d" % options.jobs if options.jobs else "default",
                       ["--jobs", str(options.jobs)] if options.jobs else [])
        chosen = [Kind("jobs 1", ["--jobs", "1"]), default] if parallel else [default]
        if options.baseline:
            chosen.append(Kind("baseline", [], os.path.abspath(options.baseline)))
        return chosen

    scratch = tempfile.mkdtemp(prefix="parallel-bench-")
    try:
        environment = bi.Environment(os.path.join(scratch, "env"))
        # A first, untimed run prepares the office's profile, as it is ready between a user's runs.
        warm = os.path.join(scratch, "warm", "inputs")
        os.makedirs(warm)
        bi.make_document(os.path.join(warm, "Документ.docx"), 1, pages=1)
        bi.publish(cli, bi.write_project(warm, ["Документ.docx"]), environment)

        if options.only in (None, "a"):
            folder = os.path.join(scratch, "mixed")
            names = make_mixed(os.path.join(folder, "inputs"), options.entities)
            mixed = kinds()
            bench("(a) mixed: 8 drawings (%d entities), 8 documents, 20 ready PDFs" % options.entities,
                  folder, names, mixed, cli, environment, runs)
            if parallel:
                ratio("%s / jobs 1" % mixed[1].label, mixed[1], mixed[0], 0.65)
            if options.baseline:
                ratio("%s / baseline" % mixed[0].label, mixed[0], mixed[-1])
        if options.only in (None, "b"):
            folder = os.path.join(scratch, "documents")
            names = make_documents(os.path.join(folder, "inputs"))
            prepare_bare_profile(folder)
            documents = kinds()
            bare = Kind("bare soffice", [])
            marked = Kind("bare, version marked", [])
            bench("(b) documents: 12 .docx with fields and a contents table", folder, names, documents, cli,
                  environment, runs, bare, marked)
            default = documents[1] if parallel else documents[0]
            ratio("%s / bare soffice" % default.label, default, bare, 1.0)
            ratio("%s / bare soffice, version marked" % default.label, default, marked)
            if parallel:
                ratio("jobs 1 / bare soffice", documents[0], bare)
                ratio("%s / jobs 1" % documents[1].label, documents[1], documents[0])
            if options.baseline:
                ratio("%s / baseline" % documents[0].label, documents[0], documents[-1])
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
