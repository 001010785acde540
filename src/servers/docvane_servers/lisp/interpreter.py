"""The interpreter a drawing-program server runs its command texts and user scripts through."""

import sys

from . import arithmetic, files, forms, hostcalls, lists, strings, units  # noqa: F401 - they fill the table
from . import reader
from .evaluator import STACK_LIMIT_LINE, Evaluator
from .printer import prin1_text
from .values import Cons, HardError, LispError, UserFunction, intern

# Python frames one level of LISP nesting can take (eval, apply, the user function, its body, a form).
_FRAMES_PER_LEVEL = 6


class Interpreter:
    """Evaluates LISP text for a host that provides:

        command(args)        the arguments of (command ...) as the texts typed at the command line
                             ("" for nil, "x,y,z" for a point); an empty list cancels
        getvar(name)         a system variable's value (None, int, float, str or a point tuple)
        setvar(name, value)  stores a value; raise LispError("...") to reject it
        error(line)          one error line, e.g. "; error: no function definition: FOO"
        output(text)         optional: what princ and friends print (standard output otherwise)
        layoutlist()         optional: the names of the paper-space layouts in tab order

    No call raises: a failing form reports its error line and the next form runs. Every run() or feed()
    call may take at most max_steps evaluation steps; past that the rest of its text is dropped."""

    def __init__(
        self, host, max_steps=1_000_000, max_depth=2_000, max_string=1_000_000, max_pending=1_000_000
    ):
        self._ev = Evaluator(host, max_steps, max_depth, max_string)
        self._max_steps = max_steps
        self._max_pending = max_pending
        self._pending = ""
        # Deep LISP recursion must end with our own stack line, before Python's limit is reached.
        needed = max_depth * _FRAMES_PER_LEVEL + 1_000
        if sys.getrecursionlimit() < needed:
            sys.setrecursionlimit(needed)

    @property
    def pending(self):
        """True while feed() holds the start of a form whose end has not arrived."""
        return bool(self._pending)

    def cancel(self):
        """Drops an unfinished form kept by feed(), as Escape does at the command line."""
        self._pending = ""

    def run(self, text):
        """Evaluates every form of a script; an unfinished form at the end is an error."""
        self._process(text, command_line=False)

    def feed(self, text):
        """Command-line input: forms are evaluated as they complete, an unfinished one waits for the next
        call; bare words on a line are given to the host as one command, "!x" prints x's value."""
        if isinstance(text, str):
            text, self._pending = self._pending + text, ""
        self._process(text, command_line=True)

    def _process(self, text, command_line):
        ev = self._ev
        if not isinstance(text, str):
            ev.report("; error: bad argument type: stringp %s" % type(text).__name__)
            return
        ev.steps_left = self._max_steps
        words = []
        pos = 0
        while ev.steps_left >= 0:
            found = reader.read_item(text, pos, command_line)
            if found.kind == reader.EOF:
                break
            if found.kind == reader.INCOMPLETE:
                self._keep_or_refuse(text[found.end :], command_line)
                break
            pos = found.end
            if found.kind == reader.LINE_END:
                self._send_words(words)
                continue
            if found.kind == reader.ERROR:
                ev.report("; error: " + found.value)
                continue
            value = found.value
            if command_line and type(value) is not Cons and found.kind == reader.ITEM:
                words.append(found.raw if found.raw is not None else hostcalls.command_text(value))
                continue
            ok, result = self._evaluate(value)
            if ev.steps_left < 0:
                words.clear()
            if not ok:
                continue
            if words:
                # A value typed at a command's prompt is that prompt's input.
                self._add_word(words, result)
            elif found.kind == reader.BANG:
                self._print_value(result)
        self._send_words(words)

    def _keep_or_refuse(self, rest, command_line):
        if not command_line:
            self._ev.report("; error: malformed list on input")
        elif len(rest) > self._max_pending:
            self._ev.report("; error: input too long (more than %d characters)" % self._max_pending)
        else:
            self._pending = rest

    def _evaluate(self, form):
        ev = self._ev
        ev.depth = 0
        ev.catching = 0
        ev.in_handler = False
        try:
            return True, ev.eval(form)
        except LispError as failure:
            if not failure.handled:
                ev.handle_error(failure)
        except RecursionError:
            ev.report(STACK_LIMIT_LINE)
        except Exception as failure:  # noqa: BLE001 - no script may end the server
            ev.report("; error: %s" % (failure or type(failure).__name__))
        return False, None

    def _add_word(self, words, value):
        try:
            words.append(hostcalls.command_text(value))
        except LispError as failure:
            self._ev.report("; error: " + failure.message)

    def _send_words(self, words):
        if not words:
            return
        texts = list(words)
        words.clear()
        # A command name that a script defined as C:NAME runs that function, as typed commands do.
        command = self._ev.values.get(intern("C:" + texts[0]))
        if type(command) is UserFunction and not command.params:
            self._evaluate(Cons(command, None))
            texts = texts[1:]
            if not texts or self._ev.steps_left < 0:
                return
        try:
            self._ev.host.command(texts)
        except Exception as failure:  # noqa: BLE001 - reported like a failing form
            message = failure.message if isinstance(failure, LispError) else str(failure)
            self._ev.report(message if isinstance(failure, HardError) else "; error: " + message)

    def _print_value(self, value):
        try:
            hostcalls.output(self._ev, prin1_text(value, self._ev.max_string) + "\n")
        except LispError as failure:
            self._ev.report("; error: " + failure.message)
