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
import re
import shutil
import signal
import stat
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
SPAWN_WAIT_SECONDS = 2.0
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
# The folders this server writes into: <temporary folder>/docvane-word-<uid>/docvane-office-<pid>-<random>.
BASE_PREFIX = "docvane-word-"
_FOLDER_NAME = re.compile(r"%s([1-9][0-9]{0,9})-[A-Za-z0-9_]{1,32}\Z" % re.escape(FOLDER_PREFIX))
_PID_MAX = 2 ** 22  # the kernel's pid_max ceiling


def _is_private_folder(path):
    """path is a real folder of this user that nobody else may enter or write."""
    try:
        status = os.lstat(path)
    except OSError:
        return False
    return stat.S_ISDIR(status.st_mode) and status.st_uid == os.getuid() and not status.st_mode & 0o077


def private_base():
    """This user's folder for office folders, made on first use (mode 0700); None when the name is
    taken by something that is not such a folder (another user's, a link, a file)."""
    base = os.path.join(tempfile.gettempdir(), "%s%d" % (BASE_PREFIX, os.getuid()))
    try:
        os.mkdir(base, 0o700)
    except FileExistsError:
        pass
    except OSError:
        return None
    return base if _is_private_folder(base) else None


def _sweep_folders_of_ended_servers(base):
    """Removes the office folders left in base by this user's servers that were killed (they had no
    chance to). Names this server does not make, and folders of other users, are left alone."""
    try:
        names = os.listdir(base)
    except OSError:
        return
    for name in names:
        match = _FOLDER_NAME.match(name)
        if match is None or int(match.group(1)) > _PID_MAX or int(match.group(1)) == os.getpid():
            continue
        path = os.path.join(base, name)
        try:
            os.kill(int(match.group(1)), 0)
            continue  # its server still runs (or another user's process has the number)
        except ProcessLookupError:
            pass
        except OSError:
            continue
        if _is_private_folder(path):
            shutil.rmtree(path, ignore_errors=True)


def disk_full(path):
    """The file system holding path has (next to) no room or no free inodes left for this user."""
    while path and not os.path.exists(path):
        path = os.path.dirname(path)
    try:
        status = os.statvfs(path or "/")
    except OSError:
        return False
    return status.f_bavail * status.f_frsize < LOW_SPACE_BYTES or (status.f_files and status.f_favail == 0)


LOW_SPACE_BYTES = 1 << 20


def space_message(path):
    return "нет места на диске (%s)" % path


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
        # Why the office cannot serve (it did not start or it ended), for the member that needed it.
        self.failure = None
        self._folder = None
        self._own_base = None  # a base made for this office alone, removed with it
        try:
            base = private_base()
            if base is None:
                # Someone else holds the name: a base of our own under a name nobody can guess.
                self.log("Папка %s%d не принадлежит пользователю, беру другую" % (BASE_PREFIX, os.getuid()))
                base = self._own_base = tempfile.mkdtemp(prefix="%s%d-" % (BASE_PREFIX, os.getuid()))
            _sweep_folders_of_ended_servers(base)
            self._folder = tempfile.mkdtemp(prefix="%s%d-" % (FOLDER_PREFIX, os.getpid()), dir=base)
            # The office's own temporary files (its lu*.tmp folders) stay inside our folder, so
            # they go with it even when the office is killed.
            os.mkdir(os.path.join(self._folder, "tmp"), 0o700)
        except OSError as error:
            self.failure = "Не могу создать папку LibreOffice: %s" % (
                space_message(tempfile.gettempdir()) if disk_full(tempfile.gettempdir()) else error.strerror)
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
        self._version = profile_template.office_version(SOFFICE_BIN)
        self.seeded = False  # started from a kept profile
        self.starts = 0
        self._profile_keeper = None
        self._keeper = threading.Thread(target=self._keep, name="office-keeper", daemon=True)
        self._keeper.start()
        # Until the office process is under way: its start (a fifth of a second) then overlaps the
        # server's getting ready and the client's first calls. Left to itself, the keeper would wait
        # for the interpreter while those calls hold it, and the office would start after them.
        self._started.wait(SPAWN_WAIT_SECONDS)

    @property
    def work_folder(self):
        """A private folder that goes away with the office."""
        return self._folder

    @property
    def pid(self):
        return self._process.pid if self._process is not None else None

    def alive(self):
        return self._started.is_set() and not self._ended.is_set()

    def ends_within(self, seconds):
        """True when the office has ended, or ends within seconds."""
        return self._ended.wait(seconds)

    def _profile(self):
        return os.path.join(self._folder, "profile")

    def _command(self):
        profile = uno.systemPathToFileUrl(self._profile())
        return [SOFFICE_BIN, "-env:UserInstallation=" + profile, "--headless", "--invisible", "--nologo",
                "--norestore", "--nodefault", "--nolockcheck", "--nofirststartwizard",
                "--accept=pipe,name=%s;urp;" % self._pipe]

    def _ended_because(self, code):
        if disk_full(self._folder):
            return ": " + space_message(tempfile.gettempdir())
        return " (код %d)" % code

    def _keep(self):
        try:
            if self._folder is None:
                return
            self.seeded = profile_template.seed(self._template, self._profile())
            environment = dict(os.environ, TMPDIR=os.path.join(self._folder, "tmp"))
            while not self._stopping:
                profile_template.mark_version_seen(self._profile(), self._version)
                self._process = subprocess.Popen(self._command(), stdin=subprocess.DEVNULL,
                                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                                 preexec_fn=_die_with_parent, env=environment)
                self.starts += 1
                self._started.set()
                code = self._process.wait()
                if code != RESTART_EXIT_CODE:
                    if not self._stopping:
                        self.failure = "LibreOffice завершился" + self._ended_because(code)
                        self.log(self.failure)
                    break
        except OSError as error:
            self.failure = "Не могу запустить LibreOffice: %s" % (
                space_message(tempfile.gettempdir()) if disk_full(self._folder) else error)
            self.log(self.failure)
        finally:
            self._started.set()
            self._ended.set()

    def desktop(self):
        """The office's desktop; raises OfficeError when the office is not (or no longer) there."""
        with self._lock:
            if self._desktop is not None:
                if self._ended.is_set():
                    raise OfficeError(self.failure or "LibreOffice не работает")
                return self._desktop
            local = uno.getComponentContext()
            resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
            deadline = time.monotonic() + START_TIMEOUT_SECONDS
            url = "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % self._pipe
            while True:
                if self._ended.is_set():
                    if self.seeded and self._folder is not None and not disk_full(self._folder):
                        profile_template.discard(self._template)
                    raise OfficeError(self.failure or "LibreOffice не запустился")
                try:
                    self._context = resolver.resolve(url)
                    break
                except Exception:  # noqa: BLE001 - not accepting yet
                    if time.monotonic() > deadline:
                        raise OfficeError("LibreOffice не отвечает")
                    time.sleep(0.01)
            self._desktop = self._context.ServiceManager.createInstanceWithContext(
                "com.sun.star.frame.Desktop", self._context)
            self._distrust_document_code()
            if not self.seeded:
                # The profile is complete once the office answers (offices do not always end cleanly).
                self._profile_keeper = threading.Thread(target=profile_template.keep, name="profile-keeper",
                                                        args=(self._template, self._profile()), daemon=True)
                self._profile_keeper.start()
            return self._desktop

    def _distrust_document_code(self):
        """Documents' own VBA code is read as comments, never as code: nothing of a document runs
        (its auto macros and event handlers included), as in the word processor for a file from a
        location nobody declared trusted. The code is still kept and written into saved copies;
        the script a client adds itself is code of its own and runs when the client asks."""
        try:
            provider = self._context.ServiceManager.createInstanceWithContext(
                "com.sun.star.configuration.ConfigurationProvider", self._context)
            access = provider.createInstanceWithArguments(
                "com.sun.star.configuration.ConfigurationUpdateAccess",
                property_values(nodepath="/org.openoffice.Office.Writer/Filter/Import/VBA"))
            access.setPropertyValue("Executable", False)
            access.setPropertyValue("Load", True)
            access.setPropertyValue("Save", True)
            access.commitChanges()
        except Exception as error:  # noqa: BLE001 - an office that cannot be told so must not be used
            self._desktop = None
            raise OfficeError("LibreOffice не принял настройку макросов: %s" % getattr(error, "Message", error))

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
        if self._folder is not None:
            shutil.rmtree(self._folder, ignore_errors=True)
        if self._own_base is not None:
            shutil.rmtree(self._own_base, ignore_errors=True)
