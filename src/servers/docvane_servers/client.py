"""A small client of the protocol, for tests and benchmarks of the servers."""

import socket

from . import dispatch
from .dispatch import DispatchObject
from .protocol import VERSION, decode_value, encode_value, read_message, write_message


class RemoteError(Exception):
    def __init__(self, status, message):
        super().__init__("%s (0x%08X)" % (message, status & 0xFFFFFFFF))
        self.status = status & 0xFFFFFFFF


class RemoteObject(DispatchObject):
    """An object of the server; pass it back as an argument to send its id."""

    def __init__(self, client, object_id):
        self.client = client
        self.object_id = object_id

    def call(self, name, *args):
        return self.client.invoke(self, name, "method", args)

    def get(self, name, *args):
        return self.client.invoke(self, name, "get", args)

    def put(self, name, value, *indices):
        return self.client.invoke(self, name, "put", (value,) + tuple(indices))

    def release(self, count=1):
        self.client.send({"op": "release", "object": self.object_id, "count": count})


class Client:
    def __init__(self, address, timeout=30.0, version=VERSION):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.settimeout(timeout)
        try:
            self.sock.connect(address)
            self.send({"op": "hello", "version": version})
            reply = read_message(self.sock)
            if reply.get("status", -1) < 0:
                raise RemoteError(reply.get("status", -1), reply.get("error", "hello refused"))
            self.root = self._value(reply["root"])
        except BaseException:
            self.sock.close()
            raise

    def close(self):
        self.sock.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def send(self, message):
        write_message(self.sock, message)

    def request(self, message):
        self.send(message)
        return read_message(self.sock)

    def _value(self, wire):
        return decode_value(wire, lambda object_id: RemoteObject(self, object_id))

    def lookup(self, target, name):
        reply = self.request({"op": "lookup", "object": target.object_id, "name": name})
        if reply.get("status", -1) < 0:
            raise RemoteError(reply["status"], reply.get("error", ""))
        return reply["dispid"]

    def invoke(self, target, name, kind, args):
        """Calls with arguments in natural order; put's first argument is the value."""
        dispid = self.lookup(target, name)
        if kind == "put":
            wire_args, named = [args[0]] + list(reversed(args[1:])), [-3]
        else:
            wire_args, named = list(reversed(args)), []

        def object_id(item):
            if not isinstance(item, RemoteObject):
                raise dispatch.DispatchError("only objects of this server can be sent")
            return item.object_id

        message = {"op": "invoke", "object": target.object_id, "dispid": dispid, "kind": kind,
                   "args": [encode_value(item, object_id) for item in wire_args], "named": named}
        reply = self.request(message)
        if reply.get("status", -1) < 0:
            raise RemoteError(reply["status"], reply.get("error", ""))
        return self._value(reply.get("result", {"t": "empty"}))
