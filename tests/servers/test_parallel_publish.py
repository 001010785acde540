"""docvane-cli publishing a mixed project (drawings, documents, ready PDFs) on several files at once,
against the same run one file at a time: the same log, the same results and the same saved project;
a failing file in the middle; servers killed in the middle of a file; Stop; no process left behind."""
import json
import os
import re
import shutil
import signal
import subprocess
import tempfile
import threading
import time
import unittest

import acad_support as acad
import word_documents as wd

CLI = acad.CLI
WORD_SERVER = os.path.join(os.path.dirname(CLI), "docvane-word-server")
ACAD_SERVER = os.path.join(os.path.dirname(CLI), "docvane-acad-server")
READY_PDF = os.path.join(wd.ROOT, "examples", "demo", "02 Пояснительная записка.pdf")
RUN_TIMEOUT = 300

# A wrapper per program: it notes the id of each server it starts (the server is the wrapper's own
# process after exec) and gives each its own request log, so a test can tell what each one is doing.
WRAPPER = """#!/bin/sh
echo $$ >> "{folder}/{kind}.pids"
DOCVANE_SERVER_TRACE="{folder}/{kind}-$$.trace" exec "{server}" "$@"
"""


def file_doc(name):
    return ("        <fileDoc><fileRelativePath>.\\{}</fileRelativePath><xrefsBefore/><xrefsAfter/>"
            "<sheetNames/><wordRefs/></fileDoc>\n").format(name.replace("/", "\\"))


PROJECT = """<docvane>
    <pdfFile><fileRelativePath>.\\out\\Общий.pdf</fileRelativePath></pdfFile>
    <editDir><dirRelativePath>.\\out\\EDIT</dirRelativePath></editDir>
    <pdfDir><dirRelativePath>.\\out\\PDF</dirRelativePath></pdfDir>
    <fileDocs>
{files}    </fileDocs>
    <fieldDocs><fieldDoc><name>Объект</name><value>{value}</value></fieldDoc></fieldDocs>
</docvane>
"""


def alive(pid):
    try:
        with open("/proc/%d/stat" % pid) as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


@unittest.skipUnless(acad.RUNNABLE and os.access(WORD_SERVER, os.X_OK), "docvane-cli and its servers are not built")
class ParallelPublishTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="parallel-publish-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.config = self.path("config")
        os.makedirs(self.config)
        for kind, server, program in (("word", WORD_SERVER, "Word.Application"),
                                      ("acad", ACAD_SERVER, "AutoCAD.Application")):
            wrapper = self.path(kind + "-server")
            with open(wrapper, "w") as script:
                script.write(WRAPPER.format(folder=self.folder, kind=kind, server=server))
            os.chmod(wrapper, 0o755)
            with open(os.path.join(self.config, "classes.conf"), "a") as classes:
                classes.write("%s = %s\n" % (program, wrapper))
        os.makedirs(self.path("run"), 0o700)
        os.makedirs(self.path("tmp"))
        self.env = dict(os.environ, DOCVANE_CONFIG_HOME=self.config, DOCVANE_RUNTIME_DIR=self.path("run"),
                        TMPDIR=self.path("tmp"))
        self.env.pop("DOCVANE_SERVER_TRACE", None)

    def path(self, *parts):
        return os.path.join(self.folder, *parts)

    def project(self, name, entries, value=wd.NEW):
        """A project folder with the entries made: .dxf drawings, .docx documents (a name with "Битый"
        is a corrupt one), ready PDFs; entries may sit in sub-folders."""
        root = self.path(name)
        for entry in entries:
            target = os.path.join(root, entry)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            if entry.endswith(".dxf"):
                acad.two_sheet_drawing(target)
            elif "Битый" in entry:
                with open(target, "wb") as corrupt:
                    corrupt.write(b"PK\x03\x04 not a document")
            elif entry.endswith(".docx"):
                wd.fields_document(target)
            else:
                shutil.copyfile(READY_PDF, target)
        project = os.path.join(root, "Проект.dv1")
        with open(project, "w", encoding="utf-8") as stream:
            stream.write(PROJECT.format(files="".join(file_doc(e) for e in entries), value=value))
        return project

    def publish(self, project, *options, on_line=None):
        code, lines = wd.publish_lines([CLI, "publish", project, "--full", *options], self.env, RUN_TIMEOUT, on_line)
        self.assertNotEqual(code, -signal.SIGKILL, "the run hung:\n" + "\n".join(lines))
        return code, lines

    def log(self, lines, root):
        """The run's log lines with its folder taken out: neither the elapsed time nor what the servers
        print on their own (at any moment)."""
        return [line.replace(root, "<project>") for line in lines if re.match(r"^\[[?+!X]\] ", line)]

    def servers(self, kind):
        try:
            with open(self.path(kind + ".pids")) as ids:
                return [int(line) for line in ids if line.strip()]
        except OSError:
            return []

    def traced(self, kind, pid, member):
        try:
            with open(self.path("%s-%d.trace" % (kind, pid))) as trace:
                return member in trace.read()
        except OSError:
            return False

    def assertNothingLeft(self, root):
        deadline = time.monotonic() + 15
        servers = self.servers("word") + self.servers("acad")
        while time.monotonic() < deadline and (any(alive(pid) for pid in servers) or
                                               wd.office_children(os.getpid()) or self.offices()):
            time.sleep(0.1)
        self.assertEqual([pid for pid in servers if alive(pid)], [])
        self.assertEqual(self.offices(), set())
        self.assertEqual(os.listdir(self.path("run", "running")) if os.path.isdir(self.path("run", "running"))
                         else [], [])
        temporaries = [name for folder, dirs, _ in os.walk(root) for name in dirs if name.startswith("lane-")]
        self.assertEqual(temporaries, [])

    def offices(self):
        return wd.server_offices(self.path("tmp"))

    def saved(self, project):
        with open(project, encoding="utf-8") as stream:
            text = stream.read()
        # What a result was made from names times and digests of this folder's files.
        return re.sub(r"<publishedFrom>.*?</publishedFrom>", "", text, flags=re.S)

    MIXED = ["01 План.dxf", "02 Записка.docx", "03 Титул.pdf", "04 Разрез.dxf", "05 Ведомость.docx",
             "06 Альбом.pdf", "копия/01 План.dxf", "07 Пояснения.docx", "08 Узлы.dxf"]

    def test_several_files_at_once_show_and_leave_what_one_at_a_time_does(self):
        runs = {}
        for jobs in ("1", "3"):
            project = self.project("jobs" + jobs, self.MIXED)
            report = self.path("report-%s.json" % jobs)
            code, lines = self.publish(project, "--jobs", jobs, "--report", report)
            root = os.path.dirname(project)
            self.assertNothingLeft(root)
            with open(report, encoding="utf-8") as stream:
                timed = json.load(stream)
            # The files' own times cover the work on them, wherever it was done: one at a time they add
            # up to most of the run, side by side to more than half of it even so (not only the moments
            # their results were placed).
            worked = [entry["seconds"] for entry in timed["files"] if not entry["path"].endswith(".pdf")]
            self.assertTrue(all(seconds > 0 for seconds in worked), worked)
            self.assertGreater(sum(worked), timed["seconds"] / 2, (jobs, worked, timed["seconds"]))
            runs[jobs] = (code, self.log(lines, root), self.saved(project),
                          acad.pdf_text(os.path.join(root, "out", "Общий.pdf")),
                          sorted(os.listdir(os.path.join(root, "out", "PDF"))),
                          sorted(os.listdir(os.path.join(root, "out", "EDIT"))))
        self.assertEqual(runs["1"][0], 0, "\n".join(runs["1"][1]))
        self.assertEqual(runs["1"][1], runs["3"][1])
        for one, several in zip(runs["1"][2:], runs["3"][2:]):
            self.assertEqual(one, several)
        self.assertIn("Разрез", runs["3"][2])  # the sheet names were saved with the project
        # More than one server of each program worked at the same time.
        self.assertGreater(len(self.servers("acad")), 2)
        self.assertGreater(len(self.servers("word")), 2)

    def test_a_failing_file_ends_the_run_there_and_nothing_after_it_is_placed(self):
        entries = ["01 План.dxf", "02 Записка.docx", "03 Битый.docx", "04 Разрез.dxf", "05 Ведомость.docx",
                   "06 Альбом.pdf"]
        runs = {}
        for jobs in ("1", "3"):
            project = self.project("jobs" + jobs, entries)
            root = os.path.dirname(project)
            code, lines = self.publish(project, "--jobs", jobs)
            self.assertNothingLeft(root)
            runs[jobs] = (code, self.log(lines, root),
                          sorted(n for n in os.listdir(os.path.join(root, "out", "PDF")) if not n.startswith(".")),
                          self.saved(project))
        self.assertEqual(runs["3"][0], 2)
        self.assertEqual(runs["1"], runs["3"])
        log = runs["3"][1]
        self.assertIn("[?] Файл опубликован: <project>/02 Записка.docx", log)
        self.assertFalse([line for line in log if "04 Разрез" in line or "05 Ведомость" in line], log)
        self.assertEqual(log[-1], "[X] Публикация окончена.")
        self.assertEqual(runs["3"][2], ["01 План.pdf", "02 Записка.pdf"])

    def kill_when(self, kind, member, victim):
        """An on_line that, from a thread of its own, kills victim(pid) of the first server of kind whose
        request log shows member, once."""
        killed = []

        def watch():
            deadline = time.monotonic() + RUN_TIMEOUT
            while not killed and time.monotonic() < deadline:
                for pid in self.servers(kind):
                    if self.traced(kind, pid, member):
                        killed.extend(victim(pid))
                        return
                time.sleep(0.005)

        watcher = threading.Thread(target=watch, daemon=True)
        watcher.start()
        return killed, watcher

    def test_a_killed_drawing_server_and_a_killed_office_are_replaced_and_their_file_is_tried_again(self):
        def kill_server(pid):
            os.kill(pid, signal.SIGKILL)
            return [pid]

        def kill_office(pid):
            offices = wd.office_children(pid)
            for office in offices:
                os.kill(office, signal.SIGKILL)
            return offices

        entries = ["01 План.dxf", "02 Записка.docx", "03 Титул.pdf", "04 Разрез.dxf", "05 Ведомость.docx"]
        project = self.project("killed", entries)
        root = os.path.dirname(project)
        drawing, drawing_watch = self.kill_when("acad", "Layouts", kill_server)
        office, office_watch = self.kill_when("word", "ExportAsFixedFormat", kill_office)
        code, lines = self.publish(project, "--jobs", "2")
        drawing_watch.join(1)
        office_watch.join(1)
        self.assertTrue(drawing, lines)
        self.assertTrue(office, lines)
        log = self.log(lines, root)
        retries = [line for line in log if line.startswith("[!] Сервер автоматизации завершился аварийно")]
        self.assertEqual(len(retries), 2, "\n".join(log))
        self.assertEqual(code, 3, "\n".join(log))  # finished, with the warning of the retry
        for entry in entries:
            self.assertIn("[?] Файл опубликован: <project>/" + entry, log)
        placed = [os.path.join(root, "out", "PDF", os.path.splitext(entry)[0] + ".pdf") for entry in entries]
        self.assertEqual(len(acad.pdf_pages(os.path.join(root, "out", "Общий.pdf"))),
                         sum(len(acad.pdf_pages(pdf)) for pdf in placed))
        self.assertIn(wd.NEW, wd.pdf_text(placed[1]))  # the document tried again has its field values
        self.assertNothingLeft(root)

    def test_stop_during_a_parallel_run_ends_it_and_leaves_no_process(self):
        entries = ["%02d Лист.dxf" % i if i % 2 else "%02d Записка.docx" % i for i in range(1, 9)]
        project = self.project("stopped", entries)
        root = os.path.dirname(project)
        stopped = []

        def stop(process, line):
            if not stopped and "Файл опубликован" in line:
                process.send_signal(signal.SIGINT)
                stopped.append(True)

        code, lines = self.publish(project, "--jobs", "2", on_line=stop)
        log = self.log(lines, root)
        self.assertTrue(stopped, log)
        self.assertEqual(code, 3, "\n".join(log))
        self.assertIn("[!] Отмена публикации...", log)
        self.assertEqual(log[-1], "[!] Публикация окончена.")
        self.assertFalse(any("Общее количество листов" in line for line in log))
        self.assertNothingLeft(root)

    def start_with_both_lanes_at_work(self, name):
        """A docvane-cli run of two jobs, returned once a drawing and a document are open, each in a
        server of its own."""
        entries = ["%02d Лист.dxf" % i if i % 2 else "%02d Записка.docx" % i for i in range(1, 9)]
        project = self.project(name, entries)
        process = subprocess.Popen([CLI, "publish", project, "--full", "--jobs", "2"], env=self.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        deadline = time.monotonic() + RUN_TIMEOUT
        while not (any(self.traced("acad", pid, "Documents.open") for pid in self.servers("acad")) and
                   any(self.traced("word", pid, "Documents.open") for pid in self.servers("word"))):
            self.assertIsNone(process.poll(), "the run ended before both lanes worked")
            self.assertLess(time.monotonic(), deadline)
            time.sleep(0.005)
        return process

    def assertNoServerOrOfficeLeft(self):
        deadline = time.monotonic() + 20
        servers = self.servers("word") + self.servers("acad")
        while (any(alive(pid) for pid in servers) or self.offices()) and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertEqual([pid for pid in servers if alive(pid)], [])
        self.assertEqual(self.offices(), set())

    def test_a_killed_command_line_leaves_no_server_of_any_lane(self):
        process = self.start_with_both_lanes_at_work("killed-cli")
        process.kill()
        process.communicate()
        self.assertNoServerOrOfficeLeft()

    def test_a_second_ctrl_c_abandons_the_hung_servers_of_every_lane(self):
        process = self.start_with_both_lanes_at_work("hung")
        servers = self.servers("word") + self.servers("acad")
        for pid in servers:
            os.kill(pid, signal.SIGSTOP)  # both programs stop answering in the middle of a file
        try:
            process.send_signal(signal.SIGINT)
            time.sleep(2.5)  # the second Ctrl+C counts only two seconds after the first
            self.assertIsNone(process.poll(), "the run ended although its servers hang")
            process.send_signal(signal.SIGINT)
            process.communicate(timeout=30)
            # A stopped process ends only when it is killed: every lane's server was abandoned.
            deadline = time.monotonic() + 10
            while any(alive(pid) for pid in servers) and time.monotonic() < deadline:
                time.sleep(0.05)
            self.assertEqual([pid for pid in servers if alive(pid)], [])
        finally:
            for pid in servers:
                if alive(pid):
                    os.kill(pid, signal.SIGCONT)
        self.assertNoServerOrOfficeLeft()

if __name__ == "__main__":
    unittest.main()
