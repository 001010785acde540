"""The wire format between automation clients and servers: length-prefixed JSON messages.

A frame is a 4-byte big-endian length followed by that many bytes of UTF-8 JSON holding one object.
docs/automation-protocol.md describes the messages."""

import json
import math
import struct

from .dispatch import OMITTED, DispatchObject, Omitted, Single

VERSION = 2
MAX_FRAME = 16 * 1024 * 1024
_HEADER = struct.Struct(">I")
_INT32_MIN = -(2 ** 31)
_INT32_MAX = 2 ** 31 - 1


class ProtocolError(Exception):
    """The peer broke the framing or sent a message that cannot be understood."""


class ConnectionClosed(Exception):
    """The peer closed the connection."""


def _receive_exactly(sock, count):
    chunks = []
    while count > 0:
        chunk = sock.recv(min(count, 1 << 20))
        if not chunk:
            raise ConnectionClosed()
        chunks.append(chunk)
        count -= len(chunk)
    return b"".join(chunks)


def read_message(sock, max_frame=MAX_FRAME):
    """The next message (a dict). Raises ConnectionClosed at a clean end between frames and
    ProtocolError for an empty or oversized frame, bad JSON or a non-object."""
    try:
        header = _receive_exactly(sock, _HEADER.size)
    except ConnectionClosed:
        raise
    (length,) = _HEADER.unpack(header)
    if length == 0 or length > max_frame:
        raise ProtocolError("frame of %d bytes" % length)
    body = _receive_exactly(sock, length)
    try:
        message = json.loads(body.decode("utf-8"))
    except (UnicodeDecodeError, ValueError) as error:
        raise ProtocolError("not JSON: %s" % error) from None
    if not isinstance(message, dict):
        raise ProtocolError("message is not an object")
    return message


def encode_message(message):
    body = json.dumps(message, ensure_ascii=False, allow_nan=False, separators=(",", ":")).encode("utf-8")
    if len(body) > MAX_FRAME:
        raise ProtocolError("message of %d bytes is too large" % len(body))
    return _HEADER.pack(len(body)) + body


def write_message(sock, message):
    sock.sendall(encode_message(message))


def _float_out(value):
    if math.isfinite(value):
        return float(value)
    if math.isnan(value):
        return "nan"
    return "inf" if value > 0 else "-inf"


def _float_in(value):
    if isinstance(value, bool) or not isinstance(value, (int, float, str)):
        raise ProtocolError("bad float %r" % (value,))
    if isinstance(value, str):
        if value not in ("nan", "inf", "-inf"):
            raise ProtocolError("bad float %r" % (value,))
        return float(value)
    return float(value)


class ValueTypeError(Exception):
    """A Python value that has no wire form (the call fails with a type mismatch)."""


class ValueOverflow(Exception):
    """An integer outside 32 bits (the call fails with an overflow)."""


def encode_value(value, object_id, class_number=None):
    """The wire form of a Python value; object_id(obj) gives the id of a server object and
    class_number(obj), when given, the number of its class (which lets a client look each member
    name up once per class)."""
    if value is None:
        return {"t": "empty"}
    if isinstance(value, bool):
        return {"t": "bool", "v": value}
    if isinstance(value, int):
        if not _INT32_MIN <= value <= _INT32_MAX:
            raise ValueOverflow("integer %d does not fit 32 bits" % value)
        return {"t": "int", "v": value}
    if isinstance(value, str):
        return {"t": "text", "v": value}
    if isinstance(value, Single):
        return {"t": "single", "v": _float_out(value)}
    if isinstance(value, float):
        return {"t": "double", "v": _float_out(value)}
    if isinstance(value, Omitted):
        return {"t": "omitted"}
    if isinstance(value, DispatchObject):
        if class_number is None:
            return {"t": "object", "v": object_id(value)}
        return {"t": "object", "v": object_id(value), "c": class_number(value)}
    raise ValueTypeError("no wire form for %s" % type(value).__name__)


def decode_value(wire, find_object):
    """The Python value of a wire value; find_object(id) gives the object (None for id 0) or raises
    KeyError for an id that is not in the table."""
    if not isinstance(wire, dict):
        raise ProtocolError("value is not an object")
    tag = wire.get("t")
    payload = wire.get("v")
    if tag == "empty":
        return None
    if tag == "omitted":
        return OMITTED
    if tag == "bool":
        if not isinstance(payload, bool):
            raise ProtocolError("bad bool")
        return payload
    if tag == "int":
        if isinstance(payload, bool) or not isinstance(payload, int) or not _INT32_MIN <= payload <= _INT32_MAX:
            raise ProtocolError("bad int")
        return payload
    if tag == "text":
        if not isinstance(payload, str):
            raise ProtocolError("bad text")
        return payload
    if tag == "double":
        return _float_in(payload)
    if tag == "single":
        return Single(_float_in(payload))
    if tag == "object":
        if isinstance(payload, bool) or not isinstance(payload, int):
            raise ProtocolError("bad object id")
        return None if payload == 0 else find_object(payload)
    raise ProtocolError("unknown tag %r" % (tag,))
