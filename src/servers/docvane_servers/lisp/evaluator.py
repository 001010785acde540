"""Evaluation: symbol values with dynamic binding, function calls, the step and depth bounds, and the
user's *error* handler."""

import math

from . import checks
from .registry import BUILTINS
from .values import (
    LAMBDA,
    SLASH,
    Builtin,
    Cons,
    HardError,
    LispError,
    Symbol,
    T,
    UserFunction,
    intern,
)

ERROR_HANDLER = intern("*ERROR*")

STACK_LIMIT_LINE = "Hard error occurred *** internal stack limit reached (simulated)"


class Evaluator:
    def __init__(self, host, max_steps, max_depth, max_string):
        self.host = host
        self.max_steps = max_steps
        self.max_depth = max_depth
        self.max_string = max_string
        self.steps_left = max_steps
        self.depth = 0
        self.catching = 0  # vl-catch-all-apply calls in progress: *error* stays out of their way
        self.in_handler = False
        self.open_files = []  # what scripts opened, so that their number stays bounded
        self.values = {}
        for name, function in BUILTINS.items():
            self.values[intern(name)] = function
        self.values[T] = T
        self.values[intern("PI")] = math.pi
        self.values[intern("PAUSE")] = "\\"

    # Bounds -----------------------------------------------------------------------------------------

    def charge(self, steps):
        """Counts work done by a function in proportion to the size of what it builds or walks."""
        self.steps_left -= steps
        if self.steps_left < 0:
            raise HardError("; error: evaluation stopped after %d steps (step limit)" % self.max_steps)

    def charge_text(self, *texts):
        """Counts work on strings in proportion to their length."""
        self.charge(1 + sum(len(text) for text in texts) // 256)

    def check_string_size(self, length):
        """Refuses to build a string longer than the bound before it is built."""
        if length > self.max_string:
            raise LispError("string too long (more than %d characters)" % self.max_string)
        self.charge(length // 1024)

    # Evaluation -------------------------------------------------------------------------------------

    def eval(self, form):
        self.steps_left -= 1
        if self.steps_left < 0:
            self.charge(0)
        kind = type(form)
        if kind is Symbol:
            return self.values.get(form)
        if kind is not Cons:
            return form
        head = form.car
        if type(head) is Symbol:
            function = self.values.get(head)
            if type(function) is not Builtin and type(function) is not UserFunction:
                if function is None:
                    raise LispError("no function definition: %s" % head.name)
                function = self.function_of(function)
        else:
            function = self.function_of(self.eval(head) if type(head) is Cons else head)
        self.depth += 1
        try:
            if self.depth > self.max_depth:
                raise HardError(STACK_LIMIT_LINE)
            if type(function) is Builtin and function.special:
                return function.fn(self, form.cdr)
            args = []
            rest = form.cdr
            while type(rest) is Cons:
                args.append(self.eval(rest.car))
                rest = rest.cdr
            return self.apply(function, args)
        finally:
            self.depth -= 1

    def eval_body(self, body):
        result = None
        while type(body) is Cons:
            result = self.eval(body.car)
            body = body.cdr
        return result

    def function_of(self, value):
        """The function a value stands for: a function, a symbol naming one, or a (lambda ...) list."""
        if type(value) is Builtin or type(value) is UserFunction:
            return value
        if type(value) is Symbol:
            function = self.values.get(value)
            if type(function) is Builtin or type(function) is UserFunction:
                return function
            if function is None:
                raise LispError("no function definition: %s" % value.name)
            return self.function_of(function) if type(function) is Cons else self._bad_function(function)
        if type(value) is Cons and value.car is LAMBDA and type(value.cdr) is Cons:
            return make_function(None, value.cdr.car, value.cdr.cdr)
        if type(value) is Cons and (value.car is None or type(value.car) is Cons):
            # A function kept as a list, ((params / locals) body...), as defun-q makes them.
            return make_function(None, value.car, value.cdr)
        return self._bad_function(value)

    @staticmethod
    def _bad_function(value):
        raise LispError("bad function: %s" % checks.describe(value))

    def apply(self, function, args):
        """Calls a function value (or what function_of accepts) with evaluated arguments."""
        self.steps_left -= 1
        if self.steps_left < 0:
            self.charge(0)
        if type(function) is not Builtin and type(function) is not UserFunction:
            function = self.function_of(function)
        if type(function) is Builtin:
            if function.special:
                raise LispError("bad function: %s" % function.name)
            if len(args) < function.min_args:
                raise LispError("too few arguments")
            if function.max_args is not None and len(args) > function.max_args:
                raise LispError("too many arguments")
            return function.fn(self, args)
        return self._call_user(function, args)

    def _call_user(self, function, args):
        params = function.params
        if len(args) < len(params):
            raise LispError("too few arguments")
        if len(args) > len(params):
            raise LispError("too many arguments")
        saved = self.bind(params + function.locals, args)
        try:
            return self.eval_body(function.body)
        except LispError as failure:
            # The handler runs while the failing function's variables are still bound, so that it can
            # restore what the function changed.
            if (
                not failure.handled
                and not isinstance(failure, HardError)
                and self.catching == 0
                and not self.in_handler
            ):
                self.handle_error(failure)
            raise
        finally:
            self.unbind(saved)

    def bind(self, names, new_values):
        """Dynamic binding: gives names new values (nil past the end of new_values) and returns what
        unbind needs to restore the old ones."""
        saved = []
        values = self.values
        for index, name in enumerate(names):
            saved.append((name, values.get(name)))
            value = new_values[index] if index < len(new_values) else None
            if value is None:
                values.pop(name, None)
            else:
                values[name] = value
        return saved

    def unbind(self, saved):
        values = self.values
        for name, value in reversed(saved):
            if value is None:
                values.pop(name, None)
            else:
                values[name] = value

    # Errors -----------------------------------------------------------------------------------------

    def handle_error(self, failure):
        """Reports a failure once: through the user's *error* function when one is defined, otherwise
        (or when that function itself fails) with the customary line."""
        failure.handled = True
        if isinstance(failure, HardError):
            self.report(failure.message)
            return
        handler = self.values.get(ERROR_HANDLER)
        if type(handler) is UserFunction and not self.in_handler:
            self.in_handler = True
            try:
                self.apply(handler, [failure.message])
                return
            except LispError as inner:
                inner.handled = True
                if isinstance(inner, HardError):
                    self.report(inner.message)
                    return
                # The handler's own failure first, then the failure it was called for.
                self.report("; error: " + inner.message)
            finally:
                self.in_handler = False
        self.report("; error: " + failure.message)

    def report(self, line):
        try:
            self.host.error(line)
        except Exception:  # noqa: BLE001 - a broken host must not end evaluation
            pass


def make_function(name, parameter_list, body):
    """A user function from (params / locals) and a body."""
    params = []
    local_names = []
    target = params
    for item in checks.to_list(parameter_list):
        if item is SLASH:
            target = local_names
            continue
        target.append(checks.symbol(item))
    return UserFunction(name, params, local_names, body)
