#!/usr/bin/python3
"""A tiny server on the framework, started by the framework tests as a separate process."""

import os
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "src", "servers"))

from docvane_servers.dispatch import OMITTED, DispatchError, DispatchObject, Single, unlocked  # noqa: E402
from docvane_servers.server import run_server  # noqa: E402


class Item(DispatchObject):
    def __init__(self, name):
        self.name = name

    def get_Name(self):
        return self.name


class Application(DispatchObject):
    def __init__(self, context):
        self.context = context
        self.cells = {}
        self.child = Item("child")
        self.title = "untitled"

    def m_Echo(self, value):
        return value

    def m_Kind(self, value):
        if value is OMITTED:
            return "omitted"
        return type(value).__name__

    def m_Join(self, first, second, third=""):
        return "%s|%s|%s" % (first, second, third)

    def get_Title(self):
        return self.title

    def put_Title(self, value):
        self.title = value

    def get_Cell(self, row, column):
        return self.cells.get((row, column))

    def put_Cell(self, value, row, column):
        self.cells[(row, column)] = value

    def get_Child(self):
        return self.child

    def m_NewItem(self, name):
        return Item(name)

    def m_NameOf(self, item):
        return item.get_Name() if item is not None else "<null>"

    def m_IsChild(self, item):
        return item is self.child

    def get_Arguments(self):
        return " ".join(self.context.arguments)

    def m_Fail(self, text):
        raise ValueError(text)

    def m_Refuse(self, status):
        raise DispatchError("refused", status)

    def m_Probe(self):
        raise DispatchError("expected refusal", quiet=True)

    def m_Huge(self):
        return 2 ** 40

    def m_List(self):
        return [1, 2]

    def m_Half(self):
        return Single(0.5)

    def m_Hold(self, seconds):
        """Background work that keeps the model locked for a while."""
        def work():
            with self.context.lock:
                self.busy = True
                time.sleep(seconds)
                self.busy = False

        threading.Thread(target=work, daemon=True).start()

    @unlocked
    def get_Busy(self):
        return getattr(self, "busy", False)

    def get_Pid(self):
        return os.getpid()

    def m_Quit(self):
        self.context.request_quit()


if __name__ == "__main__":
    sys.exit(run_server("Docvane.Sample", "Docvane.Sample", Application, sys.argv[1:]))
