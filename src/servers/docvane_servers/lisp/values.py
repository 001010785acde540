"""Values of the LISP dialect: symbols, cons cells, functions and the errors evaluation raises.

nil is Python's None, integers are Python ints kept to 32 bits, reals are floats, strings are str.
Python's bool never appears as a LISP value: truth is the symbol T, falsehood is nil."""


class Symbol:
    """An interned, upper-case name. Compare symbols with `is`."""

    __slots__ = ("name",)

    def __init__(self, name):
        self.name = name

    def __repr__(self):
        return "Symbol(%r)" % self.name


_symbols = {}


def intern(name):
    key = name.upper()
    symbol = _symbols.get(key)
    if symbol is None:
        symbol = _symbols[key] = Symbol(key)
    return symbol


T = intern("T")
QUOTE = intern("QUOTE")
LAMBDA = intern("LAMBDA")
SLASH = intern("/")
# What (princ) with no argument returns: a symbol whose printed name is empty, so a function that ends
# with it leaves nothing on the command line.
QUIET = Symbol("")


class Cons:
    __slots__ = ("car", "cdr")

    def __init__(self, car, cdr):
        self.car = car
        self.cdr = cdr


class Builtin:
    """A function written in Python. `special` ones receive their argument forms unevaluated."""

    __slots__ = ("name", "fn", "min_args", "max_args", "special")

    def __init__(self, name, fn, min_args, max_args, special):
        self.name = name
        self.fn = fn
        self.min_args = min_args
        self.max_args = max_args
        self.special = special


class UserFunction:
    __slots__ = ("name", "params", "locals", "body")

    def __init__(self, name, params, local_names, body):
        self.name = name
        self.params = params
        self.locals = local_names
        self.body = body


class CaughtError:
    """What vl-catch-all-apply returns in place of a result when the call failed."""

    __slots__ = ("message",)

    def __init__(self, message):
        self.message = message


class LispError(Exception):
    """A failure of the form being evaluated; reported as "; error: <message>". A host may raise it
    from command/getvar/setvar to fail the current form with its own message."""

    def __init__(self, message):
        super().__init__(message)
        self.message = message
        self.handled = False


class HardError(LispError):
    """A failure no handler may intercept (runaway scripts): the whole line is given as is."""


def truth(flag):
    return T if flag else None


def i32(value):
    value &= 0xFFFFFFFF
    return value - 0x100000000 if value >= 0x80000000 else value


def make_list(items, tail=None):
    result = tail
    for item in reversed(items):
        result = Cons(item, result)
    return result


def is_function(value):
    return type(value) is Builtin or type(value) is UserFunction


def type_name(value):
    """The name (type) gives, or None for nil."""
    kind = type(value)
    if value is None:
        return None
    if kind is int:
        return "INT"
    if kind is float:
        return "REAL"
    if kind is str:
        return "STR"
    if kind is Symbol:
        return "SYM"
    if kind is Cons:
        return "LIST"
    if kind is Builtin:
        return "SUBR"
    if kind is UserFunction:
        return "USUBR"
    if kind is CaughtError:
        return "VL-CATCH-ALL-APPLY-ERROR"
    return getattr(value, "lisp_type", "UNKNOWN")
