"""Inputs and runs shared by the publishing benchmarks: generated drawings, documents and ready PDFs,
a project file listing them, and one `docvane-cli publish` run in a scratch folder with its own
settings, runtime and cache folders (the user's own are never touched)."""

import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, ".."))
DEMO = os.path.join(ROOT, "examples", "demo")
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(DEMO, "generator"))

import docx_writer as dx  # noqa: E402

FIELDS = (("Объект", "Жилой дом"), ("Шифр", "2026-01-АР"))
READY_PDFS = sorted(name for name in os.listdir(DEMO) if name.endswith(".pdf"))


def make_document(path, number, pages=10):
    """A document of `pages` pages: property fields in body, header and a text box, a contents table."""
    rows = [("Д%02d-%d" % (number, i), "Раздел %d документа %d" % (i, number), str(i + 1)) for i in range(1, 21)]
    body = dx.paragraph(dx.text_run("Документ %d. Объект: " % number), dx.property_field("Объект", "-"),
                        dx.text_run(" Шифр: "), dx.property_field("Шифр", "-"))
    body += dx.text_box(dx.paragraph(dx.text_run("Объект: "), dx.property_field("Объект", "-")))
    body += dx.contents_table(rows)
    for page in range(2, pages + 1):
        body += dx.page_break()
        body += "".join(dx.paragraph(dx.text_run("Страница %d, абзац %d. " % (page, k) * 6)) for k in range(8))
    dx.write_docx(path, body, {"Объект": "-", "Шифр": "-"},
                  header=dx.paragraph(dx.text_run("Шапка: "), dx.property_field("Объект", "-")))


def make_drawing(path, entities, seed):
    from acad_server_bench import make_drawing as drawing

    drawing(path, entities, seed)


def make_ready_pdfs(folder, count):
    """count ready PDFs: copies of the demo's ready PDFs under names of their own."""
    names = []
    for i in range(count):
        source = READY_PDFS[i % len(READY_PDFS)]
        name = "%02d Готовый %s" % (i + 1, source[3:])
        shutil.copyfile(os.path.join(DEMO, source), os.path.join(folder, name))
        names.append(name)
    return names


def write_project(folder, names, combine=True, name="bench.dv1"):
    entries = "".join(
        "<fileDoc><fileRelativePath>.\\%s</fileRelativePath><xrefsBefore/><xrefsAfter/><sheetNames/>"
        "<wordRefs/></fileDoc>\n" % file_name
        for file_name in names)
    fields = "".join("<fieldDoc><name>%s</name><value>%s</value></fieldDoc>" % pair for pair in FIELDS)
    text = """<docvane>
<pdfFile><fileRelativePath>.\\out\\Все.pdf</fileRelativePath></pdfFile>
<editDir><dirRelativePath>.\\out\\EDIT</dirRelativePath></editDir>
<pdfDir><dirRelativePath>.\\out\\PDF</dirRelativePath></pdfDir>
<fileDocs>
%s</fileDocs>
<fieldDocs>%s</fieldDocs>
<propertyDoc><general><directories><clearExitDir>true</clearExitDir></directories>
<combinePdf><isCombine>%s</isCombine><hasMenu>true</hasMenu></combinePdf>
<numberingPdf><isNumbering>true</isNumbering><startPage>1</startPage><pageFrom>1</pageFrom>
<posX>10</posX><posY>8</posY><fontHeight>12</fontHeight><fontName>Times New Roman</fontName></numberingPdf>
</general><autocad><general><fileFormat>2010</fileFormat><splitIntoLayouts>false</splitIntoLayouts></general>
</autocad><word><general><vbaScript></vbaScript></general></word></propertyDoc>
</docvane>
""" % (entries, fields, "true" if combine else "false")
    path = os.path.join(folder, name)
    with open(path, "w", encoding="utf-8") as stream:
        stream.write(text)
    return path


class Environment:
    """Settings, runtime and cache folders of the benchmark's runs, inside `folder`. The cache keeps the
    office's prepared profile between runs, as it is kept between a user's runs."""

    def __init__(self, folder):
        self.folder = folder
        self.env = dict(os.environ)
        for key, sub in (("DOCVANE_CONFIG_HOME", "config"), ("DOCVANE_RUNTIME_DIR", "run"),
                         ("XDG_CACHE_HOME", "cache"), ("TMPDIR", "tmp")):
            path = os.path.join(folder, sub)
            os.makedirs(path, mode=0o700, exist_ok=True)
            self.env[key] = path


def fresh_copy(source, target):
    """A copy of the source folder (its inputs) without anything a previous run wrote."""
    shutil.rmtree(target, ignore_errors=True)
    shutil.copytree(source, target, ignore=shutil.ignore_patterns("out", "out-*"))
    return target


def accepts_jobs(cli):
    """Whether this docvane-cli takes `publish --jobs N`."""
    result = subprocess.run([cli, "publish", "--help"], capture_output=True, text=True)
    if "--jobs" in result.stdout + result.stderr:
        return True
    # A program whose usage text does not name the option may still take it: without a project file
    # it then complains of the missing project, not of the option.
    result = subprocess.run([cli, "publish", "--jobs", "1"], capture_output=True, text=True)
    return "unknown option" not in result.stderr


def children_seconds():
    usage = os.times()
    return usage.children_user + usage.children_system


def publish(cli, project, environment, extra=(), watcher=None):
    """One `docvane-cli publish --full --no-save` run: (wall seconds, processor seconds of the whole
    process tree, exit status, output). The processor time counts every process the run started that
    was waited for (servers and offices included: each waits for its own children)."""
    command = [cli, "publish", project, "--full", "--no-save", *extra]
    before = children_seconds()
    started = time.monotonic()
    process = subprocess.Popen(command, env=environment.env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if watcher is not None:
        watcher.start(process.pid)
    output, _ = process.communicate()
    wall = time.monotonic() - started
    if watcher is not None:
        watcher.stop()
    return wall, children_seconds() - before, process.returncode, output.decode("utf-8", "replace")


def _read(path, mode="r"):
    try:
        with open(path, mode) as stream:
            return stream.read()
    except OSError:
        return None


def _parent_and_cpu(pid):
    """(parent pid, user + system seconds) of a process, or None when it is gone."""
    text = _read("/proc/%d/stat" % pid)
    if text is None:
        return None
    fields = text[text.rfind(")") + 2:].split()
    return int(fields[1]), (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def _memory_kib(pid):
    """(PSS, RSS) in KiB of a process, or None when it is gone."""
    text = _read("/proc/%d/smaps_rollup" % pid)
    if text is None:
        return None
    values = {}
    for line in text.splitlines()[1:]:
        parts = line.split()
        if len(parts) >= 2 and parts[0] in ("Rss:", "Pss:"):
            values[parts[0]] = int(parts[1])
    return values.get("Pss:", 0), values.get("Rss:", 0)


def server_kind(pid):
    """Which stand-in server a direct child of docvane-cli is, from its command line."""
    cmdline = _read("/proc/%d/cmdline" % pid, "rb") or b""
    for kind in (b"docvane-word-server", b"docvane-acad-server"):
        if kind in cmdline:
            return kind.decode()
    return os.path.basename(cmdline.split(b"\0")[0].decode("utf-8", "replace")) or "?"


class TreeWatcher:
    """Samples the process tree under one root in a thread of its own: per instance (each direct
    child of the root with everything under it) the peak of the summed PSS and RSS; per process the
    last processor time seen."""

    def __init__(self, interval=0.1, memory=True):
        import threading

        self.interval = interval
        self.memory = memory
        self._threading = threading
        self._thread = None
        self._stopping = threading.Event()

    def start(self, root):
        self.root = root
        self.instances = {}  # direct child pid -> {"kind", "pss", "rss", "processes", "names"}
        self.root_peak = (0, 0)
        self.cpu = {}  # pid -> last user + system seconds
        self._stopping.clear()
        self._thread = self._threading.Thread(target=self._run, daemon=True)
        self._thread.start()

    def stop(self):
        self._stopping.set()
        self._thread.join()

    def _run(self):
        while not self._stopping.is_set():
            self.sample()
            self._stopping.wait(self.interval)

    def sample(self):
        parents, cpu = {}, {}
        for entry in os.listdir("/proc"):
            if entry.isdigit():
                found = _parent_and_cpu(int(entry))
                if found is not None:
                    parents[int(entry)], cpu[int(entry)] = found
        if self.root not in parents:
            return
        children = {}
        for pid, parent in parents.items():
            children.setdefault(parent, []).append(pid)
        self.cpu[self.root] = cpu[self.root]
        if self.memory:
            root_memory = _memory_kib(self.root)
            if root_memory is not None:
                self.root_peak = tuple(max(a, b) for a, b in zip(self.root_peak, root_memory))
        for top in children.get(self.root, []):
            tree, pending = [], [top]
            while pending:
                pid = pending.pop()
                tree.append(pid)
                pending.extend(children.get(pid, []))
            for pid in tree:
                self.cpu[pid] = cpu[pid]
            if not self.memory:
                continue
            pss = rss = 0
            names = set()
            for pid in tree:
                found = _memory_kib(pid)
                if found is not None:
                    pss += found[0]
                    rss += found[1]
                    names.add((_read("/proc/%d/comm" % pid) or "?").strip())
            instance = self.instances.setdefault(top, {"kind": server_kind(top), "pss": 0, "rss": 0,
                                                       "processes": 0, "names": set()})
            instance["pss"] = max(instance["pss"], pss)
            instance["rss"] = max(instance["rss"], rss)
            instance["processes"] = max(instance["processes"], len(tree))
            instance["names"] |= names

    def tree_cpu(self):
        """Processor seconds of every process seen in the tree (its last sample)."""
        return sum(self.cpu.values())
