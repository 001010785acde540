"""The program's one command thread: texts sent to drawings run one after another, in order, while
the members keep answering; the program is quiescent when nothing is queued or running."""

import contextlib
import queue
import threading

from .diagnostics import complain, recording


class Cancelled(BaseException):
    """The running command was interrupted by Escape (an empty command call). Not an Exception, so
    that no handler on the way (a failing form, a skipped entity) mistakes it for a fault: it ends the
    whole text being run."""


class CommandQueue:
    def __init__(self):
        self.escape = threading.Event()
        self._queue = queue.Queue()
        self._pending = 0
        self._pending_lock = threading.Lock()
        self._idle = threading.Condition(self._pending_lock)
        self._thread = threading.Thread(target=self._loop, name="command-line", daemon=True)
        self._thread.start()

    def submit(self, work, messages=None):
        """Queues a callable; the program counts as busy from this moment until it has run. What it
        reports (an interruption or a failure included) is kept in messages when given."""
        with self._pending_lock:
            self._pending += 1
        self._queue.put((work, messages))

    @property
    def quiescent(self):
        with self._pending_lock:
            return self._pending == 0

    def wait_idle(self, timeout=None):
        with self._idle:
            return self._idle.wait_for(lambda: self._pending == 0, timeout)

    def press_escape(self):
        """Asks the running command to stop at its next check; queued texts still run."""
        if not self.quiescent:
            self.escape.set()

    def check_escape(self):
        """Called by long commands between steps."""
        if self.escape.is_set():
            raise Cancelled()

    def stop(self):
        self._queue.put(None)

    def _loop(self):
        while True:
            item = self._queue.get()
            if item is None:
                return
            work, messages = item
            self.escape.clear()
            try:
                with recording(messages) if messages is not None else contextlib.nullcontext():
                    try:
                        work()
                    except Cancelled as stop:
                        complain(str(stop) or "*Прервано*")
                    except Exception as error:  # one broken command must not stop the command line
                        complain(f"Ошибка выполнения команды: {type(error).__name__}: {error}")
            finally:
                with self._idle:
                    self._pending -= 1
                    self._idle.notify_all()
