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
    ev.charge_text(text)
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
    ev.charge_text(text)
    return text.lower() if len(args) == 2 and args[1] is not None else text.upper()


def _start(args, index):
    if len(args) > index and args[index] is not None:
        return max(checks.integer(args[index]), 0)
    return 0


@builtin("vl-string-search", 2, 3)
def _string_search(ev, args):
    pattern, text = checks.string(args[0]), checks.string(args[1])
    ev.charge_text(text)
    found = text.find(pattern, _start(args, 2))
    return found if found >= 0 else None


@builtin("vl-string-subst", 3, 4)
def _string_subst(ev, args):
    new, old, text = (checks.string(value) for value in args[:3])
    ev.charge_text(text)
    found = text.find(old, _start(args, 3))
    if found < 0:
        return text
    ev.check_string_size(len(text) - len(old) + len(new))
    return text[:found] + new + text[found + len(old) :]


@builtin("vl-string-translate", 3, 3)
def _string_translate(ev, args):
    source, target, text = (checks.string(value) for value in args)
    ev.charge_text(source, text)
    table = {}
    for index, ch in enumerate(source):
        if index < len(target) and ch not in table:
            table[ord(ch)] = target[index]
    return text.translate(table)


def _trim(ev, args, strip):
    chars, text = checks.string(args[0]), checks.string(args[1])
    ev.charge_text(chars, text)
    return strip(text, chars)


builtin("vl-string-trim", 2, 2)(lambda ev, args: _trim(ev, args, str.strip))
builtin("vl-string-left-trim", 2, 2)(lambda ev, args: _trim(ev, args, str.lstrip))
builtin("vl-string-right-trim", 2, 2)(lambda ev, args: _trim(ev, args, str.rstrip))


@builtin("vl-string-position", 2, 4)
def _string_position(ev, args):
    code = checks.integer(args[0])
    text = checks.string(args[1])
    start = _start(args, 2)
    from_end = len(args) == 4 and args[3] is not None
    ev.charge_text(text)
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
    text = checks.string(args[0])
    ev.charge_text(text)
    match = _LEADING_INT.match(text)
    return i32(int(match.group(1))) if match else 0


@builtin("atof", 1, 1)
def _atof(ev, args):
    text = checks.string(args[0])
    ev.charge_text(text)
    match = _LEADING_REAL.match(text)
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


_STAR = None  # stands for "*" among the atoms: any run of characters


def _wildcard_atoms(pattern):
    """The pattern as a list of one-character tests, with _STAR for "*"."""
    atoms = []
    index = 0
    while index < len(pattern):
        ch = pattern[index]
        index += 1
        if ch == "`" and index < len(pattern):
            atoms.append(lambda c, literal=pattern[index]: c == literal)
            index += 1
        elif ch == "*":
            if not atoms or atoms[-1] is not _STAR:
                atoms.append(_STAR)
        elif ch == "?":
            atoms.append(lambda c: True)
        elif ch == "#":
            atoms.append(lambda c: "0" <= c <= "9")
        elif ch == "@":
            atoms.append(str.isalpha)
        elif ch == ".":
            atoms.append(lambda c: not c.isalnum())
        elif ch == "[" and pattern.find("]", index + 1) >= 0:
            close = pattern.find("]", index + 1)
            atoms.append(_character_class(pattern[index:close]))
            index = close + 1
        else:
            atoms.append(lambda c, literal=ch: c == literal)
    return atoms


def _character_class(body):
    negate = body.startswith("~") and len(body) > 1
    if negate:
        body = body[1:]
    singles = set()
    ranges = []
    index = 0
    while index < len(body):
        if index + 2 < len(body) and body[index + 1] == "-":
            ranges.append((body[index], body[index + 2]))
            index += 3
        else:
            singles.add(body[index])
            index += 1

    def test(c):
        inside = c in singles or any(low <= c <= high for low, high in ranges)
        return inside != negate

    return test


def _atoms_match(atoms, text):
    """Glob matching with one remembered star: at most len(text) * len(atoms) tests, never more."""
    t = p = 0
    star = -1
    resume = 0
    while t < len(text):
        if p < len(atoms) and atoms[p] is not _STAR and atoms[p](text[t]):
            t += 1
            p += 1
        elif p < len(atoms) and atoms[p] is _STAR:
            star, resume = p, t
            p += 1
        elif star >= 0:
            p = star + 1
            resume += 1
            t = resume
        else:
            return False
    while p < len(atoms) and atoms[p] is _STAR:
        p += 1
    return p == len(atoms)


def wildcard_match(text, pattern):
    for alternative in _wildcard_alternatives(pattern):
        negate = alternative.startswith("~")
        body = alternative[1:] if negate else alternative
        if _atoms_match(_wildcard_atoms(body), text) != negate:
            return True
    return False


@builtin("wcmatch", 2, 2)
def _wcmatch(ev, args):
    text, pattern = checks.string(args[0]), checks.string(args[1])
    stars = pattern.count("*")
    ev.charge_text(text, pattern)
    ev.charge(len(text) * stars // 64)
    return truth(wildcard_match(text, pattern))
