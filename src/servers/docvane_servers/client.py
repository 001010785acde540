"""A small client of the protocol, for tests and benchmarks of the servers."""

import socket

from . import dispatch
from .dispatch import DispatchObject
from .protocol import VERSION, decode_value, encode_value, read_message, write_message


class RemoteError(Exception):
    def __init__(self, status, message):
        super().__init__("%s (%s)" % (message, status))
        self.status = status


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
            if reply.get("status") != dispatch.OK:
                raise RemoteError(reply.get("status"), reply.get("error", "hello refused"))
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
        if reply.get("status") != dispatch.OK:
            raise RemoteError(reply.get("status"), reply.get("error", ""))
        return reply["dispid"]

    def invoke(self, target, name, kind, args):
        """Calls with arguments in natural order; put's first argument is the value."""
        dispid = self.lookup(target, name)

        def object_id(item):
            if not isinstance(item, RemoteObject):
                raise dispatch.DispatchError("only objects of this server can be sent")
            return item.object_id

        message = {"op": "invoke", "object": target.object_id, "dispid": dispid, "kind": kind}
        if kind == "put":
            message["value"] = encode_value(args[0], object_id)
            args = args[1:]
        message["args"] = [encode_value(item, object_id) for item in args]
        reply = self.request(message)
        if reply.get("status") != dispatch.OK:
            raise RemoteError(reply.get("status"), reply.get("error", ""))
        return self._value(reply.get("result", {"t": "empty"}))
