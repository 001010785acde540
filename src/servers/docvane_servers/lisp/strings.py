"""String functions."""

import re

from . import checks, reader
from .printer import prin1_text, princ_text
from .registry import builtin
from .values import LispError, i32, make_list, truth

_LEADING_INT = re.compile(r"\s*([+-]?\d+)")
_LEADING_REAL = re.compile(r"\s*([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?)")


@builtin("strcat")
def _strcat(ev, args):
    parts = [checks.string(value) for value in args]
    ev.check_string_size(sum(len(part) for part in parts))
    return "".join(parts)


@builtin("strlen")
def _strlen(ev, args):
    return sum(len(checks.string(value)) for value in args)


@builtin("substr", 2, 3)
def _substr(ev, args):
    text = checks.string(args[0])
    start = checks.integer(args[1])
    if start < 1:
        raise LispError("bad argument value: positive %d" % start)
    if len(args) == 3 and args[2] is not None:
        length = checks.integer(args[2])
        if length < 0:
            raise LispError("bad argument value: non-negative %d" % length)
        return text[start - 1 : start - 1 + length]
    return text[start - 1 :]


@builtin("strcase", 1, 2)
def _strcase(ev, args):
    text = checks.string(args[0])
    return text.lower() if len(args) == 2 and args[1] is not None else text.upper()


def _start(args, index):
    if len(args) > index and args[index] is not None:
        return max(checks.integer(args[index]), 0)
    return 0


@builtin("vl-string-search", 2, 3)
def _string_search(ev, args):
    pattern, text = checks.string(args[0]), checks.string(args[1])
    found = text.find(pattern, _start(args, 2))
    return found if found >= 0 else None


@builtin("vl-string-subst", 3, 4)
def _string_subst(ev, args):
    new, old, text = (checks.string(value) for value in args[:3])
    found = text.find(old, _start(args, 3))
    if found < 0:
        return text
    ev.check_string_size(len(text) - len(old) + len(new))
    return text[:found] + new + text[found + len(old) :]


@builtin("vl-string-translate", 3, 3)
def _string_translate(ev, args):
    source, target, text = (checks.string(value) for value in args)
    table = {}
    for index, ch in enumerate(source):
        if index < len(target) and ch not in table:
            table[ord(ch)] = target[index]
    return text.translate(table)


def _trim(args, strip):
    chars, text = checks.string(args[0]), checks.string(args[1])
    return strip(text, chars)


builtin("vl-string-trim", 2, 2)(lambda ev, args: _trim(args, str.strip))
builtin("vl-string-left-trim", 2, 2)(lambda ev, args: _trim(args, str.lstrip))
builtin("vl-string-right-trim", 2, 2)(lambda ev, args: _trim(args, str.rstrip))


@builtin("vl-string-position", 2, 4)
def _string_position(ev, args):
    code = checks.integer(args[0])
    text = checks.string(args[1])
    start = _start(args, 2)
    from_end = len(args) == 4 and args[3] is not None
    ch = chr(code) if 0 <= code < 0x110000 else None
    if ch is None:
        return None
    found = text.rfind(ch, start) if from_end else text.find(ch, start)
    return found if found >= 0 else None


@builtin("vl-string-elt", 2, 2)
def _string_elt(ev, args):
    text = checks.string(args[0])
    index = checks.integer(args[1])
    if not 0 <= index < len(text):
        raise LispError("bad argument value: string position out of range %d" % index)
    return ord(text[index])


@builtin("vl-string->list", 1, 1)
def _string_to_list(ev, args):
    text = checks.string(args[0])
    ev.charge(len(text))
    return make_list([ord(ch) for ch in text])


@builtin("vl-list->string", 1, 1)
def _list_to_string(ev, args):
    codes = checks.to_list(args[0])
    ev.check_string_size(len(codes))
    return "".join(_char(checks.integer(code)) for code in codes)


def _char(code):
    if not 0 <= code < 0x110000 or 0xD800 <= code < 0xE000:
        raise LispError("bad argument value: character code %d" % code)
    return chr(code) if code else ""


@builtin("chr", 1, 1)
def _chr(ev, args):
    return _char(checks.integer(args[0]))


@builtin("ascii", 1, 1)
def _ascii(ev, args):
    text = checks.string(args[0])
    return ord(text[0]) if text else 0


@builtin("itoa", 1, 1)
def _itoa(ev, args):
    return str(checks.integer(args[0]))


@builtin("atoi", 1, 1)
def _atoi(ev, args):
    match = _LEADING_INT.match(checks.string(args[0]))
    return i32(int(match.group(1))) if match else 0


@builtin("atof", 1, 1)
def _atof(ev, args):
    match = _LEADING_REAL.match(checks.string(args[0]))
    if not match:
        return 0.0
    try:
        return float(match.group(1))
    except OverflowError:
        return float("inf")


@builtin("vl-princ-to-string", 1, 1)
def _princ_to_string(ev, args):
    ev.charge(1)
    return princ_text(args[0], ev.max_string)


@builtin("vl-prin1-to-string", 1, 1)
def _prin1_to_string(ev, args):
    return prin1_text(args[0], ev.max_string)


@builtin("read", 0, 1)
def _read(ev, args):
    text = checks.string(args[0]) if args else ""
    found = reader.read_item(text, 0)
    if found.kind == reader.EOF:
        return None
    if found.kind == reader.INCOMPLETE:
        raise LispError("malformed list on input")
    if found.kind == reader.ERROR:
        raise LispError(found.value)
    return found.value


@builtin("acad_strlsort", 1, 1)
def _strlsort(ev, args):
    items = checks.to_list(args[0])
    if not all(type(item) is str for item in items):
        return None
    ev.charge(len(items))
    return make_list(sorted(items, key=lambda text: (text.casefold(), text)))


def _split_path(path):
    cut = max(path.rfind("/"), path.rfind("\\"))
    return path[: cut if cut >= 0 else 0], path[cut + 1 :]


@builtin("vl-filename-directory", 1, 1)
def _filename_directory(ev, args):
    return _split_path(checks.string(args[0]))[0]


@builtin("vl-filename-base", 1, 1)
def _filename_base(ev, args):
    name = _split_path(checks.string(args[0]))[1]
    dot = name.rfind(".")
    return name[:dot] if dot > 0 else name


@builtin("vl-filename-extension", 1, 1)
def _filename_extension(ev, args):
    name = _split_path(checks.string(args[0]))[1]
    dot = name.rfind(".")
    return name[dot:] if dot > 0 else None


def _wildcard_alternatives(pattern):
    """The comma-separated alternatives of a wildcard pattern, commas inside [] and after ` kept."""
    alternatives = [""]
    index = 0
    in_class = False
    while index < len(pattern):
        ch = pattern[index]
        if ch == "`" and index + 1 < len(pattern):
            alternatives[-1] += pattern[index : index + 2]
            index += 2
            continue
        if ch == "[":
            in_class = True
        elif ch == "]":
            in_class = False
        if ch == "," and not in_class:
            alternatives.append("")
        else:
            alternatives[-1] += ch
        index += 1
    return alternatives


_WILDCARD_ATOMS = {"#": r"\d", "@": r"[^\W\d_]", ".": r"[\W_]", "*": ".*", "?": "."}


def _wildcard_regex(pattern):
    parts = []
    index = 0
    while index < len(pattern):
        ch = pattern[index]
        if ch == "`" and index + 1 < len(pattern):
            parts.append(re.escape(pattern[index + 1]))
            index += 2
        elif ch in _WILDCARD_ATOMS:
            parts.append(_WILDCARD_ATOMS[ch])
            index += 1
        elif ch == "[":
            close = pattern.find("]", index + 2)
            if close < 0:
                parts.append(re.escape(ch))
                index += 1
                continue
            body = pattern[index + 1 : close]
            negate = body.startswith("~")
            if negate:
                body = body[1:]
            members = "".join("-" if c == "-" and 0 < i < len(body) - 1 else re.escape(c) for i, c in enumerate(body))
            parts.append("[%s%s]" % ("^" if negate else "", members))
            index = close + 1
        else:
            parts.append(re.escape(ch))
            index += 1
    return re.compile("".join(parts), re.DOTALL)


def wildcard_match(text, pattern):
    for alternative in _wildcard_alternatives(pattern):
        negate = alternative.startswith("~")
        body = alternative[1:] if negate else alternative
        try:
            matched = _wildcard_regex(body).fullmatch(text) is not None
        except re.error:
            matched = False
        if matched != negate:
            return True
    return False


@builtin("wcmatch", 2, 2)
def _wcmatch(ev, args):
    text, pattern = checks.string(args[0]), checks.string(args[1])
    ev.charge(len(text) + len(pattern))
    return truth(wildcard_match(text, pattern))
