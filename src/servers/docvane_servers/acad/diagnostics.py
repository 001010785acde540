"""The server's error lines: one line each on standard error, as a command line would show them."""

import sys


def complain(message):
    try:
        sys.stderr.write(message.rstrip("\n") + "\n")
        sys.stderr.flush()
    except (OSError, ValueError):
        pass  # a closed stderr must not end a command

