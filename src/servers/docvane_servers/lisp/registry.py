"""The table of functions written in Python, filled by the builtin modules as they are imported."""

from .values import Builtin

BUILTINS = {}

MANY = None  # no upper bound on the argument count


def builtin(name, min_args=0, max_args=MANY, special=False):
    """Registers fn(evaluator, args) under name. args is a Python list of evaluated values, or for a
    special form the unevaluated argument forms as a LISP list."""

    def register(fn):
        key = name.upper()
        BUILTINS[key] = Builtin(key, fn, min_args, max_args, special)
        return fn

    return register
