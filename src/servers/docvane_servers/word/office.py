"""One private LibreOffice process per server, reached over a UNO pipe.

The office runs with its own profile folder, so the user's own LibreOffice is never touched or
blocked. soffice.bin is started directly (the `soffice` shell script would stay between us and the
office, and killing it leaves the office running), from a keeper thread that lives as long as the
office: the office gets the kernel's parent-death signal tied to that thread, so it can never outlive
this server, whatever way the server ends.
"""
import ctypes
import itertools
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

import uno
from com.sun.star.beans import PropertyValue

from . import profile_template

SOFFICE_BIN = os.environ.get("DOCVANE_SOFFICE_BIN", "/usr/lib/libreoffice/program/soffice.bin")
# soffice.bin asks to be started again after it has set up a fresh profile.
RESTART_EXIT_CODE = 81
START_TIMEOUT_SECONDS = 60.0
TERMINATE_GRACE_SECONDS = 5.0
_PR_SET_PDEATHSIG = 1


class OfficeError(Exception):
    pass


def property_values(**values):
    result = []
    for name, value in values.items():
        item = PropertyValue()
        item.Name = name
        item.Value = value
        result.append(item)
    return tuple(result)


FOLDER_PREFIX = "docvane-office-"


def _sweep_folders_of_ended_servers():
    """Removes the office folders left by servers that were killed (they had no chance to)."""
    root = tempfile.gettempdir()
    for name in os.listdir(root):
        if not name.startswith(FOLDER_PREFIX):
            continue
        owner = name[len(FOLDER_PREFIX):].split("-", 1)[0]
        if not owner.isdigit():
            continue
        try:
            os.kill(int(owner), 0)
        except ProcessLookupError:
            shutil.rmtree(os.path.join(root, name), ignore_errors=True)
        except OSError:
            pass


def call_bounded(function, seconds):
    """Runs function, waiting at most seconds for it: an office that hangs must not hang its caller
    (the office is killed when the server ends, which ends the call too)."""
    worker = threading.Thread(target=function, name="office-call", daemon=True)
    worker.start()
    worker.join(seconds)
    return not worker.is_alive()


def _die_with_parent():
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(_PR_SET_PDEATHSIG, signal.SIGKILL, 0, 0, 0)


# Numbers the offices of this process (an object's id may be reused once it is gone).
_OFFICE_NUMBERS = itertools.count(1)


class Office:
    """Starts the office at construction (in the background) and connects on first use."""

    def __init__(self, log=None):
        self.log = log or (lambda text: print(text, file=sys.stderr, flush=True))
        _sweep_folders_of_ended_servers()
        self._folder = tempfile.mkdtemp(prefix="%s%d-" % (FOLDER_PREFIX, os.getpid()))
        self._pipe = "docvane-word-%d-%d" % (os.getpid(), next(_OFFICE_NUMBERS))
        self._process = None
        self._started = threading.Event()
        self._ended = threading.Event()
        self._stopping = False
        self._lock = threading.Lock()
        self._context = None
        self._desktop = None
        self._scripts = {}
        self._modules = set()
        self._provider = None
        # The document the office's own Basic functions work on (see layout.py).
        self.bound_document = None
        self._template = profile_template.template_path(SOFFICE_BIN)
        self.seeded = False  # started from a kept profile
        self.starts = 0
        self._profile_keeper = None
        self._keeper = threading.Thread(target=self._keep, name="office-keeper", daemon=True)
        self._keeper.start()

    @property
    def work_folder(self):
        """A private folder that goes away with the office."""
        return self._folder

    @property
    def pid(self):
        return self._process.pid if self._process is not None else None

    def alive(self):
        return self._started.is_set() and not self._ended.is_set()

    def _profile(self):
        return os.path.join(self._folder, "profile")

    def _command(self):
        profile = uno.systemPathToFileUrl(self._profile())
        return [SOFFICE_BIN, "-env:UserInstallation=" + profile, "--headless", "--invisible", "--nologo",
                "--norestore", "--nodefault", "--nolockcheck", "--nofirststartwizard",
                "--accept=pipe,name=%s;urp;" % self._pipe]

    def _keep(self):
        try:
            self.seeded = profile_template.seed(self._template, self._profile())
            while not self._stopping:
                self._process = subprocess.Popen(self._command(), stdin=subprocess.DEVNULL,
                                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                                 preexec_fn=_die_with_parent)
                self.starts += 1
                self._started.set()
                code = self._process.wait()
                if code != RESTART_EXIT_CODE:
                    if not self._stopping:
                        self.log("LibreOffice завершился (код %d)" % code)
                    break
        except OSError as error:
            self.log("Не могу запустить LibreOffice: %s" % error)
        finally:
            self._started.set()
            self._ended.set()

    def desktop(self):
        """The office's desktop; raises OfficeError when the office is not (or no longer) there."""
        with self._lock:
            if self._desktop is not None:
                if self._ended.is_set():
                    raise OfficeError("LibreOffice не работает")
                return self._desktop
            local = uno.getComponentContext()
            resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
            deadline = time.monotonic() + START_TIMEOUT_SECONDS
            url = "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % self._pipe
            while True:
                if self._ended.is_set():
                    if self.seeded:
                        profile_template.discard(self._template)
                    raise OfficeError("LibreOffice не запустился")
                try:
                    self._context = resolver.resolve(url)
                    break
                except Exception:  # noqa: BLE001 - not accepting yet
                    if time.monotonic() > deadline:
                        raise OfficeError("LibreOffice не отвечает")
                    time.sleep(0.01)
            self._desktop = self._context.ServiceManager.createInstanceWithContext(
                "com.sun.star.frame.Desktop", self._context)
            if not self.seeded:
                # The profile is complete once the office answers (offices do not always end cleanly).
                self._profile_keeper = threading.Thread(target=profile_template.keep, name="profile-keeper",
                                                        args=(self._template, self._profile()), daemon=True)
                self._profile_keeper.start()
            return self._desktop

    def create(self, service):
        self.desktop()
        return self._context.ServiceManager.createInstanceWithContext(service, self._context)

    def basic_function(self, library, module, code, name):
        """A Basic function of the office's own (private) macro library, installed on first use.
        Loops that would cost an office call per step run there in one call. The module is installed
        once: installing it again would reset its Global variables."""
        key = (library, module, name)
        with self._lock:
            script = self._scripts.get(key)
        if script is not None:
            return script
        if (library, module) not in self._modules:
            libraries = self.create("com.sun.star.script.ApplicationScriptLibraryContainer")
            if not libraries.hasByName(library):
                libraries.createLibrary(library)
            libraries.loadLibrary(library)
            modules = libraries.getByName(library)
            if modules.hasByName(module):
                modules.replaceByName(module, code)
            else:
                modules.insertByName(module, code)
            self._modules.add((library, module))
            factory = self.create("com.sun.star.script.provider.MasterScriptProviderFactory")
            self._provider = factory.createScriptProvider("")
        script = self._provider.getScript(
            "vnd.sun.star.script:%s.%s.%s?language=Basic&location=application" % (library, module, name))
        with self._lock:
            self._scripts[key] = script
        return script

    def _terminate(self):
        try:
            self._desktop.terminate()
        except Exception:  # noqa: BLE001 - the bridge goes down with the office
            pass

    def stop(self):
        """Ends the office (politely first) and removes its folder. Safe to call more than once."""
        self._stopping = True
        self._started.wait(START_TIMEOUT_SECONDS)
        if not self._ended.is_set() and self._desktop is not None:
            call_bounded(self._terminate, 0)  # an office that hangs never answers: it is killed below
        if not self._ended.wait(TERMINATE_GRACE_SECONDS if self._desktop is not None else 0):
            process = self._process
            if process is not None and process.poll() is None:
                process.kill()
            self._ended.wait(TERMINATE_GRACE_SECONDS)
        if self._profile_keeper is not None:
            self._profile_keeper.join(TERMINATE_GRACE_SECONDS)
        shutil.rmtree(self._folder, ignore_errors=True)
