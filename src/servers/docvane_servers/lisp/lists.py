"""List functions, equality and the type predicates."""

import functools
import itertools

from . import checks
from .registry import builtin
from .values import Cons, Symbol, make_list, truth


def equal(a, b, fuzz=0.0, ev=None):
    """Structural equality; numbers compare by value within fuzz. Walks without recursion and, given
    the evaluator, charges it for the pairs compared."""
    pairs = [(a, b)]
    compared = 0
    result = True
    while pairs:
        x, y = pairs.pop()
        compared += 1
        if x is y:
            continue
        kx, ky = type(x), type(y)
        if kx in (int, float) and ky in (int, float):
            if abs(x - y) > fuzz:
                result = False
                break
        elif kx is str and ky is str:
            if x != y:
                result = False
                break
        elif kx is Cons and ky is Cons:
            pairs.append((x.cdr, y.cdr))
            pairs.append((x.car, y.car))
        else:
            result = False
            break
    if ev is not None:
        ev.charge(compared // 16)
    return result


def eq(a, b):
    if a is b:
        return True
    if type(a) is int and type(b) is int or type(a) is float and type(b) is float:
        return a == b
    return False


@builtin("list")
def _list(ev, args):
    return make_list(args)


@builtin("cons", 2, 2)
def _cons(ev, args):
    return Cons(args[0], args[1])


def _walk(value, path):
    """c[ad]+r: the letters are applied right to left."""
    for letter in reversed(path):
        if value is None:
            return None
        cell = checks.cons(value)
        value = cell.car if letter == "a" else cell.cdr
    return value


def _register_accessors():
    for length in range(1, 5):
        for letters in itertools.product("ad", repeat=length):
            path = "".join(letters)
            builtin("c%sr" % path, 1, 1)(lambda ev, args, path=path: _walk(args[0], path))


_register_accessors()


@builtin("nth", 2, 2)
def _nth(ev, args):
    index = checks.integer(args[0])
    rest = args[1]
    if rest is not None:
        checks.cons(rest)
    if index < 0:
        return None
    ev.charge(min(index, 1 << 20) // 16)
    while index > 0 and type(rest) is Cons:
        rest = rest.cdr
        index -= 1
    return rest.car if type(rest) is Cons else None


@builtin("length", 1, 1)
def _length(ev, args):
    items = checks.to_list(args[0])
    ev.charge(len(items))
    return len(items)


@builtin("vl-list-length", 1, 1)
def _list_length(ev, args):
    count = 0
    rest = args[0]
    while type(rest) is Cons:
        count += 1
        rest = rest.cdr
    ev.charge(count)
    return count if rest is None else None


@builtin("append")
def _append(ev, args):
    items = []
    for value in args:
        items.extend(checks.to_list(value))
        ev.charge(len(items))
    return make_list(items)


@builtin("reverse", 1, 1)
def _reverse(ev, args):
    items = checks.to_list(args[0])
    ev.charge(len(items))
    return make_list(items[::-1])


@builtin("last", 1, 1)
def _last(ev, args):
    rest = args[0]
    if rest is None:
        return None
    checks.cons(rest)
    walked = 0
    while type(rest.cdr) is Cons:
        rest = rest.cdr
        walked += 1
    ev.charge(walked // 16)
    return rest.car if rest.cdr is None else rest.cdr


@builtin("member", 2, 2)
def _member(ev, args):
    rest = args[1]
    while type(rest) is Cons:
        ev.charge(1)
        if equal(args[0], rest.car, ev=ev):
            return rest
        rest = rest.cdr
    return None


@builtin("assoc", 2, 2)
def _assoc(ev, args):
    rest = args[1]
    while type(rest) is Cons:
        ev.charge(1)
        entry = rest.car
        if type(entry) is Cons and equal(args[0], entry.car, ev=ev):
            return entry
        rest = rest.cdr
    return None


@builtin("subst", 3, 3)
def _subst(ev, args):
    new, old = args[0], args[1]
    items = checks.to_list(args[2])
    ev.charge(len(items))
    return make_list([new if equal(old, item, ev=ev) else item for item in items])


@builtin("vl-remove", 2, 2)
def _remove(ev, args):
    items = checks.to_list(args[1])
    ev.charge(len(items))
    return make_list([item for item in items if not equal(args[0], item, ev=ev)])


def _filter(ev, args, keep):
    function = ev.function_of(args[0])
    items = checks.to_list(args[1])
    return make_list([item for item in items if (ev.apply(function, [item]) is None) != keep])


builtin("vl-remove-if", 2, 2)(lambda ev, args: _filter(ev, args, False))
builtin("vl-remove-if-not", 2, 2)(lambda ev, args: _filter(ev, args, True))


def _member_if(ev, args, wanted):
    function = ev.function_of(args[0])
    rest = args[1]
    while type(rest) is Cons:
        if (ev.apply(function, [rest.car]) is not None) == wanted:
            return rest
        rest = rest.cdr
    return None


builtin("vl-member-if", 2, 2)(lambda ev, args: _member_if(ev, args, True))
builtin("vl-member-if-not", 2, 2)(lambda ev, args: _member_if(ev, args, False))


@builtin("vl-position", 2, 2)
def _position(ev, args):
    for index, item in enumerate(checks.to_list(args[1])):
        ev.charge(1)
        if equal(args[0], item, ev=ev):
            return index
    return None


def _each(ev, args):
    function = ev.function_of(args[0])
    lists = [checks.to_list(items) for items in args[1:]]
    count = min(len(items) for items in lists)
    return (ev.apply(function, [items[i] for items in lists]) for i in range(count))


@builtin("vl-some", 2)
def _some(ev, args):
    for result in _each(ev, args):
        if result is not None:
            return result
    return None


@builtin("vl-every", 2)
def _every(ev, args):
    return truth(all(result is not None for result in _each(ev, args)))


def _sorted_indexes(ev, args):
    function = ev.function_of(args[1])
    items = checks.to_list(args[0])
    ev.charge(len(items))

    def before(i, j):
        return -1 if ev.apply(function, [items[i], items[j]]) is not None else 0

    return items, sorted(range(len(items)), key=functools.cmp_to_key(before))


@builtin("vl-sort", 2, 2)
def _sort(ev, args):
    items, order = _sorted_indexes(ev, args)
    return make_list([items[i] for i in order])


@builtin("vl-sort-i", 2, 2)
def _sort_indexes(ev, args):
    return make_list(_sorted_indexes(ev, args)[1])


@builtin("vl-list*", 1)
def _list_star(ev, args):
    return make_list(args[:-1], args[-1])


@builtin("equal", 2, 3)
def _equal(ev, args):
    fuzz = float(checks.number(args[2])) if len(args) == 3 else 0.0
    return truth(equal(args[0], args[1], fuzz, ev))


@builtin("eq", 2, 2)
def _eq(ev, args):
    return truth(eq(args[0], args[1]))


@builtin("null", 1, 1)
def _null(ev, args):
    return truth(args[0] is None)


builtin("not", 1, 1)(_null)


@builtin("atom", 1, 1)
def _atom(ev, args):
    return truth(type(args[0]) is not Cons)


@builtin("listp", 1, 1)
def _listp(ev, args):
    return truth(args[0] is None or type(args[0]) is Cons)


@builtin("vl-consp", 1, 1)
def _consp(ev, args):
    return truth(type(args[0]) is Cons)


@builtin("vl-symbolp", 1, 1)
def _symbolp(ev, args):
    return truth(type(args[0]) is Symbol)


@builtin("vl-symbol-name", 1, 1)
def _symbol_name(ev, args):
    return checks.symbol(args[0]).name


@builtin("stringp", 1, 1)
def _stringp(ev, args):
    return truth(type(args[0]) is str)


@builtin("numberp", 1, 1)
def _numberp(ev, args):
    return truth(type(args[0]) in (int, float))

