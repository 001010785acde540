"""Values and the base of every object a stand-in server exposes to its clients."""

import inspect
import threading

# Why a call failed, by the name the wire gives it ("ok" is success). The client's dispatch layer
# turns a name into the status its callers know; a member may fail with any of them.
OK = "ok"
UNKNOWN_NAME = "unknown-name"  # the object has no member of that name
NO_MEMBER = "no-member"  # no member of that kind (a put on a read-only property), or no such request
MISSING_VALUE = "missing-value"  # a put that brings no new value
UNEXPECTED_VALUE = "unexpected-value"  # a method call or get that brings one
TYPE_MISMATCH = "type-mismatch"  # an argument or result without a fitting form
OVERFLOW = "overflow"  # an integer result outside 32 bits
BAD_ARGUMENT_COUNT = "bad-argument-count"
FAILED = "failed"  # the member raised
UNKNOWN_OBJECT = "unknown-object"  # an id the connection's table does not hold (released)
BUSY = "busy"  # the application refuses calls while it works; the client may ask again
UNSUPPORTED_VERSION = "unsupported-version"


class Omitted:
    """An optional argument the caller left out."""

    _instance = None

    def __new__(cls):
        if cls._instance is None:
            cls._instance = super().__new__(cls)
        return cls._instance

    def __repr__(self):
        return "OMITTED"

    def __bool__(self):
        return False


OMITTED = Omitted()


class Single(float):
    """A value the client receives tagged as a 32-bit float."""


class DispatchError(Exception):
    """Raised by a member to fail the call with the given status. A quiet refusal is one the client
    expects in normal work (it probes and then takes another way): it writes no line to stderr."""

    def __init__(self, message, status=FAILED, quiet=False):
        super().__init__(message)
        self.status = status
        self.quiet = quiet


class DispatchObject:
    """Base of every object a server exposes. Members are found by case-insensitive name:
       method            Name(...) -> def m_Name(self, *args)
       property get      Name      -> def get_Name(self, *args)       (indexed gets take args)
       property put      Name = v  -> def put_Name(self, value, *args)
    A method call falls back to get_Name and a property get falls back to m_Name (clients mix them,
    e.g. Item). Arguments arrive in natural (left-to-right) order, as the wire carries them.
    Unknown member -> the lookup fails (unknown name). An exception in a member fails the call and
    writes one line to stderr; it never ends the server."""


def unlocked(function):
    """Marks a member that the framework calls without taking context.lock: one that only reads state
    kept consistent by other means (a flag), so that it answers while background work holds the lock."""
    function.docvane_unlocked = True
    return function


def is_unlocked(function):
    return getattr(function, "docvane_unlocked", False)


_PREFIXES = (("m_", "method"), ("get_", "get"), ("put_", "put"))
_member_tables = {}
_member_tables_lock = threading.Lock()


def member_table(cls):
    """{lower-case name: {"method"|"get"|"put": attribute name}} of a DispatchObject class."""
    with _member_tables_lock:
        table = _member_tables.get(cls)
        if table is None:
            table = {}
            for attribute in dir(cls):
                for prefix, kind in _PREFIXES:
                    if attribute.startswith(prefix) and len(attribute) > len(prefix):
                        if callable(getattr(cls, attribute, None)):
                            name = attribute[len(prefix):].lower()
                            table.setdefault(name, {})[kind] = attribute
            _member_tables[cls] = table
        return table


def has_member(obj, name):
    return isinstance(obj, DispatchObject) and name.lower() in member_table(type(obj))


def resolve(obj, name, kind):
    """The bound function that answers a call of the given kind ("method", "get", "put"), or None."""
    entry = member_table(type(obj)).get(name.lower())
    if entry is None:
        return None
    order = {"method": ("method", "get"), "get": ("get", "method"), "put": ("put",)}[kind]
    for candidate in order:
        if candidate in entry:
            return getattr(obj, entry[candidate])
    return None


_fits = {}
_fits_lock = threading.Lock()


def arguments_fit(function, args):
    """True when function can be called with these positional arguments (the answer depends on their
    number only, and is kept: inspecting a signature costs more than many a member's whole work)."""
    key = (getattr(function, "__func__", function), len(args))
    with _fits_lock:
        fits = _fits.get(key)
    if fits is None:
        try:
            inspect.signature(function).bind(*args)
            fits = True
        except TypeError:
            fits = False
        except ValueError:  # no signature to inspect: let the call decide
            fits = True
        with _fits_lock:
            _fits[key] = fits
    return fits
