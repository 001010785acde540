"""The server framework over real sockets: values, calls, objects, failures and the server's life."""

import glob
import os
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "src", "servers"))

from docvane_servers import dispatch  # noqa: E402
from docvane_servers.client import Client, RemoteError, RemoteObject  # noqa: E402
from docvane_servers.dispatch import OMITTED, Single  # noqa: E402
from docvane_servers.protocol import VERSION, read_message, write_message  # noqa: E402

PYTHON = "/usr/bin/python3"
SAMPLE = os.path.join(HERE, "sample_server.py")


def process_alive(pid):
    try:
        with open("/proc/%d/stat" % pid) as stat_file:
            return stat_file.read().split(")")[-1].split()[0] != "Z"
    except OSError:
        return False


def wait_until(predicate, seconds=5.0):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.02)
    return predicate()


class SampleServer:
    """The sample server as a child process, started the way the client starts servers."""

    def __init__(self, runtime, args=(), env=None):
        read_end, write_end = os.pipe()
        environment = dict(os.environ, DOCVANE_RUNTIME_DIR=runtime, DOCVANE_READY_FD=str(write_end))
        environment.update(env or {})
        self.stderr = tempfile.TemporaryFile()
        self.process = subprocess.Popen([PYTHON, SAMPLE, "/nologo", "/nossm", "/pl"] + list(args),
                                        env=environment, pass_fds=(write_end,), stderr=self.stderr)
        os.close(write_end)
        self.ready = os.read(read_end, 1) == b"1"
        os.close(read_end)
        self.runtime = runtime
        self.entry = os.path.join(runtime, "running", "%d-0.entry" % self.process.pid)
        with open(self.entry, encoding="utf-8") as entry_file:
            self.display_name, self.address = entry_file.read().splitlines()

    def connect(self, **options):
        return Client(self.address, timeout=10, **options)

    def ended(self, seconds=5.0):
        try:
            self.process.wait(seconds)
        except subprocess.TimeoutExpired:
            return False
        return True

    def error_lines(self):
        self.stderr.seek(0)
        return self.stderr.read().decode("utf-8", "replace").splitlines()

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.stderr.close()


class ServerTestCase(unittest.TestCase):
    def setUp(self):
        self.runtime = tempfile.mkdtemp(prefix="dvrt")
        os.chmod(self.runtime, 0o700)
        self.servers = []

    def tearDown(self):
        for server in self.servers:
            server.stop()
        shutil.rmtree(self.runtime, ignore_errors=True)

    def start(self, *args, **env):
        server = SampleServer(self.runtime, args, env)
        self.servers.append(server)
        return server


class CallsTest(ServerTestCase):
    def setUp(self):
        super().setUp()
        self.server = self.start("extra")
        self.client = self.server.connect()
        self.app = self.client.root

    def tearDown(self):
        self.client.close()
        super().tearDown()

    def test_registration_and_switches(self):
        self.assertTrue(self.server.ready)
        self.assertEqual("Docvane.Sample", self.server.display_name)
        self.assertEqual(0o600, os.stat(self.server.address).st_mode & 0o777)
        self.assertEqual("extra", self.app.get("Arguments"))

    def test_every_value_comes_back_with_its_tag(self):
        cases = [(None, "NoneType"), (7, "int"), (-2 ** 31, "int"), (True, "bool"), (False, "bool"),
                 ("Чертёж ✓", "str"), ("", "str"), (2.5, "float"), (Single(0.25), "Single"),
                 (OMITTED, "omitted"), (float("inf"), "float")]
        for value, kind in cases:
            with self.subTest(value=value):
                self.assertEqual(kind, self.app.call("Kind", value))
                echoed = self.app.call("Echo", value)
                self.assertIs(type(value), type(echoed))
                self.assertEqual(value, echoed)
        self.assertIsInstance(self.app.call("Half"), Single)
        self.assertNotEqual(self.app.call("Echo", float("nan")), 0.0)

    def test_arguments_in_natural_order_and_member_fallbacks(self):
        self.assertEqual("a|b|c", self.app.call("Join", "a", "b", "c"))
        self.assertEqual("a|b|", self.app.call("jOIN", "a", "b"))
        self.assertEqual("untitled", self.app.call("Title"))  # a method call reaches a property get
        self.assertEqual("child", self.app.get("NewItem", "child").get("name"))  # and the other way
        self.app.put("title", "Plan")
        self.assertEqual("Plan", self.app.get("TITLE"))
        self.app.put("Cell", "x", 2, 3)
        self.assertEqual("x", self.app.get("Cell", 2, 3))
        self.assertIsNone(self.app.get("Cell", 3, 2))

    def test_failures_fail_the_call_and_keep_the_server(self):
        cases = [
            (lambda: self.app.call("Missing"), dispatch.UNKNOWN_NAME),
            (lambda: self.app.put("Child", 1), dispatch.NO_MEMBER),
            (lambda: self.app.call("Join", "only"), dispatch.BAD_ARGUMENT_COUNT),
            (lambda: self.app.call("Fail", "boom"), dispatch.FAILED),
            (lambda: self.app.call("Refuse", dispatch.BUSY), dispatch.BUSY),
            (lambda: self.app.call("Probe"), dispatch.FAILED),
            (lambda: self.app.call("Huge"), dispatch.OVERFLOW),
            (lambda: self.app.call("List"), dispatch.TYPE_MISMATCH),
        ]
        for call, status in cases:
            with self.subTest(status=status):
                with self.assertRaises(RemoteError) as raised:
                    call()
                self.assertEqual(status, raised.exception.status)
        self.assertEqual("a|b|", self.app.call("Join", "a", "b"))
        self.client.close()
        self.assertTrue(self.server.ended())
        lines = self.server.error_lines()
        self.assertEqual(1, sum("boom" in line for line in lines), lines)
        self.assertEqual(1, sum("refused" in line for line in lines), lines)
        self.assertFalse(any("expected refusal" in line for line in lines), lines)
        self.assertTrue(all(line.startswith("sample_server.py: ") for line in lines), lines)

    def test_objects_are_shared_by_identity_and_counted(self):
        first = self.app.get("Child")
        second = self.app.get("Child")
        self.assertEqual(first.object_id, second.object_id)
        self.assertNotEqual(self.app.object_id, first.object_id)
        self.assertTrue(self.app.call("IsChild", first))
        self.assertEqual("child", self.app.call("NameOf", first))
        self.assertEqual("<null>", self.app.call("NameOf", RemoteObject(self.client, 0)))
        first.release()
        self.assertEqual("child", second.get("Name"))  # one reference is left
        second.release()
        with self.assertRaises(RemoteError) as raised:
            second.get("Name")
        self.assertEqual(dispatch.UNKNOWN_OBJECT, raised.exception.status)
        with self.assertRaises(RemoteError) as raised:
            self.app.call("NameOf", RemoteObject(self.client, 999))
        self.assertEqual(dispatch.UNKNOWN_OBJECT, raised.exception.status)
        fresh = self.app.get("Child")  # released objects come back with a new id
        self.assertEqual("child", fresh.get("Name"))

    def test_the_wire_carries_arguments_in_their_natural_order_and_a_put_its_value_apart(self):
        def request(name, kind, args, **extra):
            message = {"op": "invoke", "object": self.app.object_id, "dispid": self.client.lookup(self.app, name),
                       "kind": kind, "args": [{"t": "text", "v": item} for item in args]}
            message.update(extra)
            return self.client.request(message)

        self.assertEqual({"status": dispatch.OK, "result": {"t": "text", "v": "a|b|c"}},
                         request("Join", "method", ["a", "b", "c"]))
        self.assertEqual(dispatch.OK, request("Cell", "put", ["1", "2"], value={"t": "text", "v": "v"})["status"])
        self.assertEqual("v", self.app.get("Cell", "1", "2"))  # the indices in their order
        self.assertIsNone(self.app.get("Cell", "2", "1"))
        for reply, status in ((request("Cell", "put", ["1", "2"]), dispatch.MISSING_VALUE),
                              (request("Title", "get", [], value={"t": "text", "v": "x"}), dispatch.UNEXPECTED_VALUE),
                              (request("Join", "method", ["a"]), dispatch.BAD_ARGUMENT_COUNT)):
            with self.subTest(status=status):
                self.assertEqual(status, reply["status"])
                self.assertIsInstance(reply["error"], str)
        with self.assertRaises(RemoteError) as raised:
            self.app.call("Refuse", 5)  # a member's status that is no name
        self.assertEqual(dispatch.FAILED, raised.exception.status)

    def test_objects_carry_their_class_number(self):
        def wire_result(name, *args):
            message = {"op": "invoke", "object": self.app.object_id, "dispid": self.client.lookup(self.app, name),
                       "kind": "method", "args": [{"t": "text", "v": item} for item in args]}
            return self.client.request(message)["result"]

        child, item, again = wire_result("Child"), wire_result("NewItem", "a"), wire_result("NewItem", "b")
        self.assertNotEqual(child["v"], item["v"])
        self.assertEqual(child["c"], item["c"])  # both are items: the same class, the same number
        self.assertEqual(item["c"], again["c"])
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as sock:  # a connection numbers its own
            sock.settimeout(5)
            sock.connect(self.server.address)
            write_message(sock, {"op": "hello", "version": VERSION})
            self.assertEqual({"t": "object", "v": 1, "c": 1}, read_message(sock)["root"])
        self.assertNotEqual(1, child["c"])

    def test_background_work_holds_locked_members_but_not_unlocked_ones(self):
        self.app.call("Hold", 0.8)
        started = time.monotonic()
        # Answered while the work holds the lock (a locked member would wait for the work to end).
        self.assertTrue(wait_until(lambda: self.app.get("Busy"), 0.5))
        self.assertLess(time.monotonic() - started, 0.5)
        self.assertEqual(1, self.app.call("Echo", 1))  # waits for the lock
        self.assertGreater(time.monotonic() - started, 0.7)
        self.assertFalse(self.app.get("Busy"))

    def test_each_connection_has_its_own_table_and_the_same_application(self):
        with self.server.connect() as other:
            self.app.put("Title", "shared")
            self.assertEqual("shared", other.root.get("Title"))
            mine = self.app.call("NewItem", "mine")
            with self.assertRaises(RemoteError):
                RemoteObject(other, mine.object_id).get("Name")

    def test_broken_messages_close_only_their_connection(self):
        bad_frames = [b"\x00\x00\x00\x03abc", struct.pack(">I", 64 * 1024 * 1024), struct.pack(">I", 0),
                      struct.pack(">I", 2) + b"[]"]
        for frame in bad_frames:
            with self.subTest(frame=frame[:8]):
                with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as sock:
                    sock.settimeout(5)
                    sock.connect(self.server.address)
                    write_message(sock, {"op": "hello", "version": VERSION})
                    self.assertEqual(dispatch.OK, read_message(sock)["status"])
                    sock.sendall(frame)
                    self.assertEqual(b"", sock.recv(16))  # the server hung up
                self.assertEqual("a|b|", self.app.call("Join", "a", "b"))

    def test_handshake_rules(self):
        with self.assertRaises(RemoteError):
            self.server.connect(version=VERSION - 1)
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as sock:
            sock.settimeout(5)
            sock.connect(self.server.address)
            write_message(sock, {"op": "lookup", "object": 1, "name": "Echo"})
            self.assertEqual(b"", sock.recv(16))
        self.assertEqual(7, self.app.call("Echo", 7))


class LifetimeTest(ServerTestCase):
    def assertGone(self, server):
        self.assertTrue(server.ended(), "the server is still running")
        self.assertFalse(os.path.exists(server.entry))
        self.assertFalse(os.path.exists(server.address))

    def test_quit_ends_the_server_after_its_reply(self):
        server = self.start()
        with server.connect() as client, server.connect():
            self.assertIsNone(client.root.call("Quit"))
            self.assertGone(server)
        self.assertEqual(0, server.process.returncode)

    def test_last_connection_closing_ends_the_server(self):
        server = self.start()
        first = server.connect()
        probe = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        probe.connect(server.address)
        probe.close()  # a probe without handshake is no client
        with server.connect():
            first.close()
            self.assertFalse(server.ended(0.5))
        self.assertGone(server)

    def test_requests_are_logged_with_their_member_and_duration_when_asked(self):
        log = os.path.join(self.runtime, "requests.log")
        server = self.start(DOCVANE_SERVER_TRACE=log)
        with server.connect() as client:
            self.assertEqual("a|b|", client.root.call("Join", "a", "b"))
            self.assertEqual("child", client.root.get("Child").get("Name"))
            with self.assertRaises(RemoteError):
                client.root.call("Join", "only")
        self.assertGone(server)
        with open(log, encoding="utf-8") as lines:
            records = [line.split() for line in lines]
        self.assertTrue(all(len(record) == 4 and float(record[0]) >= 0 and float(record[1]) >= 0
                            for record in records), records)
        requests = [record[2:] for record in records]
        for expected in (["lookup", "Application.Join"], ["invoke", "Application.join"],
                         ["invoke", "Application.child"], ["invoke", "Item.name"]):
            self.assertIn(expected, requests)
        self.assertEqual(2, requests.count(["invoke", "Application.join"]))  # the refused call too
        self.assertFalse(server.error_lines())

    def test_a_server_nobody_connects_to_ends(self):
        server = self.start(DOCVANE_SERVER_IDLE_SECONDS="0.3")
        self.assertGone(server)
        self.assertIn("no client connected", " ".join(server.error_lines()))

    def test_terminate_signal_cleans_up_and_interrupts_are_the_clients(self):
        server = self.start()
        with server.connect() as client:
            server.process.send_signal(signal.SIGINT)  # Ctrl+C in the client's terminal
            self.assertFalse(server.ended(0.5))
            self.assertEqual(3, client.root.call("Echo", 3))
            server.process.send_signal(signal.SIGTERM)
            self.assertGone(server)

    def test_a_server_whose_starter_is_gone_before_readiness_ends(self):
        read_end, write_end = os.pipe()
        os.close(read_end)  # the starter died while the server was starting
        environment = dict(os.environ, DOCVANE_RUNTIME_DIR=self.runtime, DOCVANE_READY_FD=str(write_end))
        process = subprocess.Popen([PYTHON, SAMPLE], env=environment, pass_fds=(write_end,),
                                   stderr=subprocess.PIPE)
        os.close(write_end)
        try:
            _, errors = process.communicate(timeout=10)
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
        self.assertIn(b"has ended", errors)
        self.assertEqual([], os.listdir(os.path.join(self.runtime, "running")))
        self.assertEqual(["running"], os.listdir(self.runtime))

    def test_killed_starter_takes_its_server_along(self):
        launcher = subprocess.Popen(
            [PYTHON, "-c",
             "import os, subprocess, sys, time\n"
             "r, w = os.pipe()\n"
             "env = dict(os.environ, DOCVANE_READY_FD=str(w))\n"
             "p = subprocess.Popen([sys.executable, sys.argv[1]], env=env, pass_fds=(w,))\n"
             "os.read(r, 1)\n"
             "print(p.pid, flush=True)\n"
             "time.sleep(60)\n", SAMPLE],
            env=dict(os.environ, DOCVANE_RUNTIME_DIR=self.runtime), stdout=subprocess.PIPE)
        try:
            server_pid = int(launcher.stdout.readline())
            self.assertTrue(process_alive(server_pid))
            launcher.kill()
            launcher.wait()
            ok = wait_until(lambda: not process_alive(server_pid))
            self.assertTrue(ok, "server outlived its starter")
            self.assertEqual([], glob.glob(os.path.join(self.runtime, "running", "*.entry")))
        finally:
            if launcher.poll() is None:
                launcher.kill()
            launcher.stdout.close()


if __name__ == "__main__":
    unittest.main()
