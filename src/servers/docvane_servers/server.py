"""The process side of a stand-in automation server: the listening socket, one thread per client
connection with its own object table, registration in the running-object directory, the readiness
signal and the end of the process."""

import contextlib
import os
import re
import select
import signal
import socket
import stat
import sys
import threading
import time

from . import dispatch
from .dispatch import DispatchError, DispatchObject
from .protocol import (
    VERSION,
    ConnectionClosed,
    ProtocolError,
    ValueOverflow,
    ValueTypeError,
    decode_value,
    encode_message,
    encode_value,
    read_message,
)
from .request_log import RequestLog

_IGNORED_SWITCHES = ("/nologo", "/nossm", "/pl")
# A server started by a client that never connects ends after this many seconds.
_DEFAULT_IDLE_SECONDS = 60.0
_HELLO_SECONDS = 10.0
_TICK_SECONDS = 0.2


def program_name():
    return os.path.basename(sys.argv[0]) if sys.argv and sys.argv[0] else "docvane-server"


def log_line(text):
    """One line on standard error, never raising."""
    try:
        sys.stderr.write("%s: %s\n" % (program_name(), text.replace("\n", " ")))
        sys.stderr.flush()
    except (OSError, ValueError):
        pass


def _private_folder(path):
    try:
        os.mkdir(path, 0o700)
    except FileExistsError:
        pass
    except OSError:
        return False
    try:
        info = os.lstat(path)
    except OSError:
        return False
    return (
        stat.S_ISDIR(info.st_mode)
        and info.st_uid == os.getuid()
        and info.st_mode & (stat.S_IWGRP | stat.S_IWOTH) == 0
    )


def runtime_directory_candidate():
    folder = os.environ.get("DOCVANE_RUNTIME_DIR", "")
    if not folder.startswith("/"):
        xdg = os.environ.get("XDG_RUNTIME_DIR", "")
        folder = xdg + "/docvane" if xdg.startswith("/") else "/tmp/docvane-%d" % os.getuid()
    return folder


def runtime_directory():
    """The user's private runtime folder, as the client computes it; None when it is not private."""
    folder = runtime_directory_candidate()
    return folder if _private_folder(folder) else None


def register_running_object(folder, display_name, address):
    """Writes "<pid>-0.entry" (display name and address, one line each) atomically; its path or None."""
    if "\n" in display_name or "\n" in address or not _private_folder(folder):
        return None
    path = os.path.join(folder, "%d-0.entry" % os.getpid())
    temporary = os.path.join(folder, ".%d-0.tmp" % os.getpid())
    try:
        with open(temporary, "w", encoding="utf-8") as out:
            out.write(display_name + "\n" + address + "\n")
        os.replace(temporary, path)
    except OSError:
        try:
            os.unlink(temporary)
        except OSError:
            pass
        return None
    return path


_ENTRY_NAME = re.compile(r"^\.?(\d+)-\d+\.(?:entry|tmp)$")
_SOCKET_NAME = re.compile(r"^.+-(\d+)\.sock$")


def _process_gone(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return True
    except OSError:
        return False  # it exists (another user's process, for instance)
    return False


def _abandoned_socket(path):
    """A socket of this user that nobody answers on (its server is gone)."""
    try:
        info = os.lstat(path)
    except OSError:
        return False
    if not stat.S_ISSOCK(info.st_mode) or info.st_uid != os.getuid():
        return False
    probe = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    try:
        probe.settimeout(1.0)
        probe.connect(path)
    except ConnectionRefusedError:
        return True
    except OSError:
        return False
    finally:
        probe.close()
    return False


def remove_ended_servers(folder):
    """Removes what servers killed before they could clean up left in the runtime folder: their
    running-object entries and their sockets, where the process named in the file name is gone.
    Returns the paths removed."""
    removed = []
    running = os.path.join(folder, "running")
    try:
        entries = os.listdir(running) if _private_folder(running) else []
    except OSError:
        entries = []
    for name in entries:
        match = _ENTRY_NAME.match(name)
        if match is None or not _process_gone(int(match.group(1))):
            continue
        path = os.path.join(running, name)
        address = ""
        try:
            with open(path, encoding="utf-8", errors="replace") as entry:
                lines = entry.read().split("\n")
            address = lines[1] if len(lines) > 1 else ""
            os.unlink(path)
            removed.append(path)
        except OSError:
            continue
        if address.startswith("/") and _abandoned_socket(address):
            _unlink_quietly(address)
            removed.append(address)
    try:
        sockets = os.listdir(folder)
    except OSError:
        sockets = []
    for name in sockets:
        match = _SOCKET_NAME.match(name)
        path = os.path.join(folder, name)
        if match is not None and _process_gone(int(match.group(1))) and _abandoned_socket(path):
            _unlink_quietly(path)
            removed.append(path)
    return removed


def _unlink_quietly(path):
    if path:
        try:
            os.unlink(path)
        except OSError:
            pass


class ServerContext:
    """What the application object gets from the framework."""

    def __init__(self, prog_id, display_name, arguments):
        self.prog_id = prog_id
        self.display_name = display_name
        # Command-line arguments other than the switches the framework ignores.
        self.arguments = arguments
        # Serialises every call of every connection; background work takes it around model changes.
        self.lock = threading.RLock()
        self.address = None
        self._stop = threading.Event()
        # Wakes the main loop when the server is to end, so that it ends at once and not at the
        # next tick (a client that quits the server waits for the process to end).
        self._wake_read, self._wake_write = os.pipe()
        os.set_blocking(self._wake_write, False)
        self._quit_pending = False
        self._in_call = threading.local()
        self._exit_handlers = []

    def request_quit(self):
        """Ends the server: after the reply of the current call when called inside a call, else now."""
        if getattr(self._in_call, "active", False):
            self._quit_pending = True
        else:
            self.stop()

    def stop(self):
        """Ends the server now (safe from a signal handler and from any thread)."""
        self._stop.set()
        try:
            os.write(self._wake_write, b"x")
        except OSError:  # the pipe is full (it has been woken already) or closed
            pass

    @property
    def quit_requested(self):
        return self._quit_pending or self._stop.is_set()

    def add_exit_handler(self, handler):
        """handler() runs once when the server ends (last registered runs first)."""
        self._exit_handlers.append(handler)

    def log(self, text):
        log_line(text)

    def _run_exit_handlers(self):
        for handler in reversed(self._exit_handlers):
            try:
                handler()
            except Exception as error:  # noqa: BLE001 - an exit handler never stops the others
                log_line("exit handler failed: %s" % error)


class ObjectTable:
    """The objects one connection holds: id -> [object, reference count]."""

    def __init__(self):
        self._entries = {}
        self._ids = {}
        self._next = 1

    def add_reference(self, obj):
        key = id(obj)
        object_id = self._ids.get(key)
        if object_id is None:
            object_id = self._next
            self._next += 1
            self._ids[key] = object_id
            self._entries[object_id] = [obj, 0]
        self._entries[object_id][1] += 1
        return object_id

    def find(self, object_id):
        return self._entries[object_id][0]

    def release(self, object_id, count):
        entry = self._entries.get(object_id)
        if entry is None:
            return
        entry[1] -= count
        if entry[1] <= 0:
            del self._entries[object_id]
            del self._ids[id(entry[0])]

    def __len__(self):
        return len(self._entries)


class _Failure(Exception):
    def __init__(self, status, message):
        super().__init__(message)
        # A status is a name; anything else a member raised with is a plain failure.
        self.status = status if isinstance(status, str) and status and status != dispatch.OK else dispatch.FAILED


class _Connection:
    def __init__(self, server, sock):
        self.server = server
        self.sock = sock
        self.table = ObjectTable()
        self.names = {}
        self.name_of_dispid = {}
        self.classes = {}

    def serve(self):
        counted = False
        try:
            self.sock.settimeout(_HELLO_SECONDS)
            counted = self._hello()
            if not counted:
                return
            self.sock.settimeout(None)
            while not self.server.context._stop.is_set():
                message = read_message(self.sock)
                started = time.monotonic()
                target = self._target_of(message) if self.server.request_log is not None else None
                reply = self._handle(message)
                if self.server.request_log is not None:
                    log = self.server.request_log
                    log.record(started, message.get("op"), target, self._member_of(message))
                if reply is not None:
                    self._send(reply)
                if self.server.context._quit_pending:
                    self.server.context.stop()
        except ConnectionClosed:
            pass
        except ProtocolError as error:
            log_line("connection closed: %s" % error)
        except OSError:
            pass
        finally:
            self.table = ObjectTable()
            try:
                self.sock.close()
            except OSError:
                pass
            self.server.client_left(self, counted)

    def _target_of(self, message):
        try:
            return self.table.find(message.get("object"))
        except (KeyError, TypeError):
            return None

    def _member_of(self, message):
        name = message.get("name")
        return name if isinstance(name, str) else self.name_of_dispid.get(message.get("dispid"))

    def _send(self, reply):
        try:
            data = encode_message(reply)
        except (ValueError, ProtocolError, UnicodeEncodeError) as error:
            log_line("reply cannot be sent: %s" % error)
            data = encode_message({"status": dispatch.TYPE_MISMATCH, "error": "reply cannot be encoded"})
        self.sock.sendall(data)

    def _hello(self):
        message = read_message(self.sock)
        if message.get("op") != "hello":
            raise ProtocolError("first message is not hello")
        if message.get("version") != VERSION:
            self._send({"op": "hello", "version": VERSION, "status": dispatch.UNSUPPORTED_VERSION,
                        "error": "protocol version %r is not supported" % (message.get("version"),)})
            return False
        # Counted before the reply so that the client it answers is known before any other one leaves.
        if not self.server.client_arrived():
            return False
        root = encode_value(self.server.application, self.table.add_reference, self._class_number)
        self._send({"op": "hello", "version": VERSION, "status": dispatch.OK, "root": root})
        return True

    def _handle(self, message):
        op = message.get("op")
        if op == "release":
            object_id, count = message.get("object"), message.get("count", 1)
            if isinstance(object_id, int) and isinstance(count, int) and count > 0:
                self.table.release(object_id, count)
            return None
        try:
            if op == "lookup":
                return {"status": dispatch.OK, "dispid": self._lookup(message)}
            if op == "invoke":
                return {"status": dispatch.OK, "result": self._invoke(message)}
            raise _Failure(dispatch.NO_MEMBER, "unknown request %r" % (op,))
        except _Failure as failure:
            return {"status": failure.status, "error": str(failure)}

    def _object(self, message):
        object_id = message.get("object")
        if isinstance(object_id, bool) or not isinstance(object_id, int):
            raise _Failure(dispatch.TYPE_MISMATCH, "bad object id")
        try:
            return self.table.find(object_id)
        except KeyError:
            raise _Failure(dispatch.UNKNOWN_OBJECT, "unknown object %d" % object_id) from None

    def _lookup(self, message):
        obj = self._object(message)
        name = message.get("name")
        if not isinstance(name, str) or not dispatch.has_member(obj, name):
            raise _Failure(dispatch.UNKNOWN_NAME, "unknown name %r" % (name,))
        key = name.lower()
        dispid = self.names.get(key)
        if dispid is None:
            dispid = len(self.names) + 1
            self.names[key] = dispid
            self.name_of_dispid[dispid] = key
        return dispid

    def _decode_arguments(self, message):
        """The call's arguments in their natural order, a put's new value first."""
        wire = message.get("args", [])
        if not isinstance(wire, list):
            raise _Failure(dispatch.TYPE_MISMATCH, "bad argument block")
        if message.get("kind") == "put":
            if "value" not in message:
                raise _Failure(dispatch.MISSING_VALUE, "a put without value")
            wire = [message["value"]] + wire
        elif "value" in message:
            raise _Failure(dispatch.UNEXPECTED_VALUE, "only a put takes a value")

        def find(object_id):
            try:
                return self.table.find(object_id)
            except KeyError:
                raise _Failure(dispatch.UNKNOWN_OBJECT, "unknown object %d" % object_id) from None

        try:
            return [decode_value(item, find) for item in wire]
        except ProtocolError as error:
            raise _Failure(dispatch.TYPE_MISMATCH, str(error)) from None

    def _invoke(self, message):
        obj = self._object(message)
        name = self.name_of_dispid.get(message.get("dispid"))
        kind = message.get("kind")
        if name is None or kind not in ("method", "get", "put"):
            raise _Failure(dispatch.NO_MEMBER, "unknown member")
        arguments = self._decode_arguments(message)
        function = dispatch.resolve(obj, name, kind)
        if function is None:
            raise _Failure(dispatch.NO_MEMBER, "%s has no %s %s" % (type(obj).__name__, kind, name))
        if not dispatch.arguments_fit(function, arguments):
            raise _Failure(dispatch.BAD_ARGUMENT_COUNT, "%s: wrong number of arguments" % name)
        context = self.server.context
        with contextlib.nullcontext() if dispatch.is_unlocked(function) else context.lock:
            context._in_call.active = True
            try:
                result = function(*arguments)
            except DispatchError as error:
                if not error.quiet:
                    log_line("%s: %s" % (function.__name__.split("_", 1)[-1], error))
                raise _Failure(error.status, str(error)) from None
            except Exception as error:  # noqa: BLE001 - a failing member fails its call, not the server
                log_line("%s: %s: %s" % (function.__name__.split("_", 1)[-1], type(error).__name__, error))
                raise _Failure(dispatch.FAILED, str(error)) from None
            finally:
                context._in_call.active = False
        try:
            encode_value(result, lambda item: 0)  # checked before any reference is taken
        except ValueOverflow as error:
            raise _Failure(dispatch.OVERFLOW, str(error)) from None
        except ValueTypeError as error:
            raise _Failure(dispatch.TYPE_MISMATCH, str(error)) from None
        return encode_value(result, self.table.add_reference, self._class_number)

    def _class_number(self, obj):
        """The connection's number for the object's class: its members are those of the class."""
        number = self.classes.get(type(obj))
        if number is None:
            number = self.classes[type(obj)] = len(self.classes) + 1
        return number


class _Server:
    def __init__(self, context, application, listener):
        self.context = context
        self.application = application
        self.listener = listener
        self.mutex = threading.Lock()
        self.connections = set()
        self.clients = 0
        self.had_client = False
        self.request_log = RequestLog.from_environment()

    def client_arrived(self):
        with self.mutex:
            if self.context._stop.is_set():
                return False
            self.clients += 1
            self.had_client = True
            return True

    def client_left(self, connection, counted):
        with self.mutex:
            self.connections.discard(connection)
            if counted:
                self.clients -= 1
                if self.clients == 0:
                    # The last client is gone (it ended, crashed or was killed): so is the server.
                    self.context.stop()

    def accept(self):
        try:
            sock, _ = self.listener.accept()
        except OSError:
            return
        connection = _Connection(self, sock)
        with self.mutex:
            self.connections.add(connection)
        threading.Thread(target=connection.serve, name="docvane-connection", daemon=True).start()

    def close_connections(self):
        with self.mutex:
            connections = list(self.connections)
        for connection in connections:
            try:
                connection.sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


def _socket_address(folder, prog_id):
    requested = os.environ.get("DOCVANE_SERVER_ADDRESS", "")
    if requested.startswith("/"):
        return requested
    name = re.sub(r"[^A-Za-z0-9_.-]", "_", prog_id) or "server"
    return os.path.join(folder, "%s-%d.sock" % (name, os.getpid()))


def _report_ready():
    """(started by a client, the client got the byte). A client that started this server and is gone
    before it is ready leaves the pipe without reader."""
    text = os.environ.get("DOCVANE_READY_FD", "")
    if not text.isdigit():
        return False, False
    fd = int(text)
    delivered = True
    try:
        os.write(fd, b"1")
    except BrokenPipeError:
        delivered = False
    except OSError:
        pass
    finally:
        try:
            os.close(fd)
        except OSError:
            pass
    return True, delivered


def _idle_seconds():
    try:
        return max(0.1, float(os.environ.get("DOCVANE_SERVER_IDLE_SECONDS", _DEFAULT_IDLE_SECONDS)))
    except ValueError:
        return _DEFAULT_IDLE_SECONDS


def _force_exit_later(code, seconds=5.0):
    # A thread a member left running must not keep the process alive after it has ended.
    def end():
        os._exit(code)

    timer = threading.Timer(seconds, end)
    timer.daemon = True
    timer.start()


def run_server(prog_id, display_name, make_application, argv):
    """Serves make_application(context)'s object until Quit or until the last client leaves.
    Returns the process exit code."""
    # Taken first: the starter may end as soon as it has seen the readiness byte.
    parent = os.getppid()
    arguments = [item for item in argv if item.lower() not in _IGNORED_SWITCHES]
    folder = runtime_directory()
    if folder is None:
        log_line("the runtime folder %s is not a private folder of this user" % runtime_directory_candidate())
        return 1
    remove_ended_servers(folder)
    context = ServerContext(prog_id, display_name, arguments)
    address = _socket_address(folder, prog_id)
    context.address = address
    listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    entry = None
    try:
        _unlink_quietly(address)
        old_mask = os.umask(0o177)
        try:
            listener.bind(address)
        finally:
            os.umask(old_mask)
        listener.listen(16)
    except OSError as error:
        log_line("cannot listen at %s: %s" % (address, error))
        listener.close()
        return 1

    def stop_on_signal(_signum, _frame):
        context.stop()

    try:
        signal.signal(signal.SIGTERM, stop_on_signal)
        # Ctrl+C in the client's terminal reaches its whole process group: a server the client started
        # leaves its end to the client (which may want it for an orderly stop).
        started_by_client = os.environ.get("DOCVANE_READY_FD", "").isdigit()
        signal.signal(signal.SIGINT, signal.SIG_IGN if started_by_client else stop_on_signal)
    except ValueError:  # not the main thread: the caller keeps its own handlers
        pass

    code = 1
    server = None
    try:
        try:
            application = make_application(context)
        except Exception as error:  # noqa: BLE001 - a failed start is an exit code, not a trace
            log_line("the application cannot be created: %s" % error)
            return code
        if not isinstance(application, DispatchObject):
            log_line("the application is not a dispatch object")
            return code
        server = _Server(context, application, listener)
        entry = register_running_object(os.path.join(folder, "running"), display_name, address)
        if entry is None:
            log_line("cannot register in the running-object directory")
            return code
        code = 0
        started_by_client, delivered = _report_ready()
        if not delivered:
            log_line("the program that started this server has ended")
            return code
        idle_deadline = time.monotonic() + _idle_seconds() if started_by_client else None
        while not context._stop.is_set():
            try:
                readable, _, _ = select.select([listener, context._wake_read], [], [], _TICK_SECONDS)
            except (OSError, ValueError):
                break
            if listener in readable:
                server.accept()
            if started_by_client:
                if os.getppid() != parent:
                    log_line("the program that started this server has ended")
                    break
                if not server.had_client and time.monotonic() > idle_deadline:
                    log_line("no client connected")
                    break
    finally:
        _unlink_quietly(entry)
        _unlink_quietly(address)
        listener.close()
        context._stop.set()
        if server is not None:
            server.close_connections()
        context._run_exit_handlers()
        if threading.current_thread() is threading.main_thread():
            _force_exit_later(code)
    return code
