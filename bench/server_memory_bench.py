#!/usr/bin/python3
"""Memory of one stand-in server instance while it publishes (run on demand, prints figures).

Runs `docvane-cli publish --full --no-save` on
  demo:      a copy of examples/demo (ready PDFs, two drawings with a bound reference, a .docx, a .doc);
  documents: N generated .docx of about 10 pages (property fields in body, header and a text box,
             a contents table each);
  drawings:  N generated .dxf of E entities and two sheets each;
and samples the process tree of docvane-cli every INTERVAL seconds: for each instance (a server the
program started, with everything under it: the word server's office soffice.bin, oosplash if any) the
peak over the run of the summed PSS and of the summed RSS from /proc/<pid>/smaps_rollup. PSS shares the
pages two processes map between them, so the PSS sum is what one more instance costs the machine;
the RSS sum counts shared libraries once per process and is the upper bound.

  bench/server_memory_bench.py [--cli PATH] [--documents N] [--drawings N] [--entities E]
                               [--interval S] [--jobs N]

--jobs N passes `--jobs N` to the program (when it takes it), to see instances side by side.
The default number of jobs that keeps the instances within a quarter of the machine's memory is
printed at the end, from the largest PSS peak of each kind.
"""
import argparse
import os
import shutil
import sys
import tempfile

import bench_inputs as bi


def project_demo(folder, _options):
    bi.fresh_copy(bi.DEMO, folder)
    return os.path.join(folder, "demo.dv1")


def project_documents(folder, options):
    os.makedirs(folder)
    names = []
    for number in range(1, options.documents + 1):
        names.append("%02d Документ.docx" % number)
        bi.make_document(os.path.join(folder, names[-1]), number)
    return bi.write_project(folder, names)


def project_drawings(folder, options):
    os.makedirs(folder)
    names = []
    for number in range(1, options.drawings + 1):
        names.append("%02d Чертеж.dxf" % number)
        bi.make_drawing(os.path.join(folder, names[-1]), options.entities, number)
    return bi.write_project(folder, names)


def mib(kib):
    return kib / 1024.0


def total_memory_kib():
    with open("/proc/meminfo") as meminfo:
        for line in meminfo:
            if line.startswith("MemTotal:"):
                return int(line.split()[1])
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", default=os.path.join(bi.ROOT, "build", "docvane-cli"))
    parser.add_argument("--documents", type=int, default=6)
    parser.add_argument("--drawings", type=int, default=6)
    parser.add_argument("--entities", type=int, default=2000)
    parser.add_argument("--interval", type=float, default=0.1)
    parser.add_argument("--jobs", type=int, default=0)
    options = parser.parse_args()
    cli = os.path.abspath(options.cli)
    extra = []
    if options.jobs:
        if bi.accepts_jobs(cli):
            extra = ["--jobs", str(options.jobs)]
        else:
            print("this docvane-cli does not take --jobs: one instance of each server")

    scratch = tempfile.mkdtemp(prefix="memory-bench-")
    peaks = {}  # kind -> (pss, rss, project)
    try:
        environment = bi.Environment(os.path.join(scratch, "env"))
        watcher = bi.TreeWatcher(options.interval)
        # A first run prepares the office's profile (kept in the cache, as between a user's runs).
        warm = project_documents(os.path.join(scratch, "warm"), argparse.Namespace(documents=1))
        bi.publish(cli, warm, environment)
        print("machine memory: %.0f MiB; sampled every %.2f s" % (mib(total_memory_kib()), options.interval))
        for label, make in (("demo", project_demo), ("documents", project_documents),
                            ("drawings", project_drawings)):
            project = make(os.path.join(scratch, label), options)
            wall, _cpu, status, output = bi.publish(cli, project, environment, extra, watcher)
            print("%s: %.1f s, exit %d%s" % (label, wall, status, "" if status in (0, 3) else "\n" + output[-1500:]))
            print("  docvane-cli itself: PSS %.0f MiB, RSS %.0f MiB" % tuple(mib(v) for v in watcher.root_peak))
            for pid, instance in sorted(watcher.instances.items()):
                print("  %s (pid %d; %d processes: %s): peak PSS %.0f MiB, peak RSS %.0f MiB" % (
                    instance["kind"], pid, instance["processes"], ", ".join(sorted(instance["names"])),
                    mib(instance["pss"]), mib(instance["rss"])))
                best = peaks.get(instance["kind"], (0, 0, ""))
                if instance["pss"] > best[0]:
                    peaks[instance["kind"]] = (instance["pss"], max(best[1], instance["rss"]), label)
                else:
                    peaks[instance["kind"]] = (best[0], max(best[1], instance["rss"]), best[2])
        print("largest peaks per instance:")
        for kind, (pss, rss, label) in sorted(peaks.items()):
            print("  %s: PSS %.0f MiB (%s), RSS up to %.0f MiB" % (kind, mib(pss), label, mib(rss)))
        pair = sum(peaks.get(kind, (0,))[0] for kind in ("docvane-word-server", "docvane-acad-server"))
        if pair:
            quarter = total_memory_kib() / 4
            print("a quarter of the memory (%.0f MiB) holds %d pairs of instances (one of each kind)" % (
                mib(quarter), int(quarter // pair)))
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
