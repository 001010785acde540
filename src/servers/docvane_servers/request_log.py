"""A line per request with its start, its duration and the member it reached, for finding where a
run spends its time. Written only when DOCVANE_SERVER_TRACE names a file (appended to)."""

import os
import threading
import time

ENVIRONMENT_VARIABLE = "DOCVANE_SERVER_TRACE"


class RequestLog:
    def __init__(self, path):
        self._path = path
        self._file = None
        self._lock = threading.Lock()
        self._origin = time.monotonic()

    @classmethod
    def from_environment(cls):
        path = os.environ.get(ENVIRONMENT_VARIABLE, "")
        return cls(path) if path else None

    def record(self, started, op, target, name):
        """started: time.monotonic() when the request arrived; target: the object it was sent to."""
        line = "%.4f %.4f %s %s.%s\n" % (started - self._origin, time.monotonic() - started, op,
                                         type(target).__name__ if target is not None else "-", name or "-")
        with self._lock:
            try:
                if self._file is None:
                    self._file = open(self._path, "a", encoding="utf-8", buffering=1)
                self._file.write(line)
            except OSError:
                self._path = os.devnull  # a log that cannot be written never fails a request
