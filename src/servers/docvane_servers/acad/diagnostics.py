"""The server's error lines: one line each on standard error, as a command line would show them, and
kept for the client while a drawing's work records them (see Messages)."""

import sys
import threading

_recording = threading.local()


def complain(message):
    text = message.rstrip("\n")
    messages = getattr(_recording, "messages", None)
    if messages is not None:
        messages.append(text)
    try:
        sys.stderr.write(text + "\n")
        sys.stderr.flush()
    except (OSError, ValueError):
        pass  # a closed stderr must not end a command


class Messages:
    """What a drawing's opening and commands reported since the client last took them. Bounded: a
    script that fails in a loop keeps the first lines and a count of the rest."""

    LIMIT = 50
    LINE_LIMIT = 2000

    def __init__(self):
        self._lock = threading.Lock()
        self._lines = []
        self._dropped = 0

    def append(self, text):
        text = " ".join(str(text).split())
        if not text:
            return
        if len(text) > self.LINE_LIMIT:
            text = text[: self.LINE_LIMIT] + "…"
        with self._lock:
            if len(self._lines) < self.LIMIT:
                self._lines.append(text)
            else:
                self._dropped += 1

    def take(self):
        """The lines kept so far, one per line, and forgets them."""
        with self._lock:
            lines, dropped = self._lines, self._dropped
            self._lines, self._dropped = [], 0
        if dropped:
            lines.append(f"… и еще сообщений: {dropped}")
        return "\n".join(lines)


class recording:
    """While active on this thread, every complaint is also kept in messages."""

    def __init__(self, messages):
        self.messages = messages

    def __enter__(self):
        self.previous = getattr(_recording, "messages", None)
        _recording.messages = self.messages
        return self.messages

    def __exit__(self, *exc):
        _recording.messages = self.previous
        return False
