"""Arithmetic, comparison and the few geometric helpers scripts use on points.

Integers are 32-bit and wrap as the command line's do; a real anywhere makes the result real."""

import math

from . import checks
from .registry import builtin
from .values import LispError, i32, make_list, truth


def _numbers(args):
    return [checks.number(value) for value in args]


def _all_int(values):
    return all(type(value) is int for value in values)


def _real_result(function, *values):
    try:
        result = function(*values)
    except (OverflowError, ValueError):
        raise LispError("floating-point exception")
    if isinstance(result, complex):
        raise LispError("function undefined for argument: %s" % checks.describe(values[0]))
    return float(result)


@builtin("+")
def _add(ev, args):
    values = _numbers(args)
    return i32(sum(values)) if _all_int(values) else float(math.fsum(values))


@builtin("*")
def _multiply(ev, args):
    values = _numbers(args)
    if not values:
        return 0
    product = values[0]
    for value in values[1:]:
        product = i32(product * value) if type(product) is int and type(value) is int else product * value
    return float(product) if not _all_int(values) else product


@builtin("-")
def _subtract(ev, args):
    values = _numbers(args)
    if not values:
        return 0
    if len(values) == 1:
        return i32(-values[0]) if type(values[0]) is int else -values[0]
    result = values[0]
    for value in values[1:]:
        result = result - value
    return i32(result) if _all_int(values) else float(result)


def _int_divide(a, b):
    quotient = abs(a) // abs(b)
    return i32(quotient if (a < 0) == (b < 0) else -quotient)


@builtin("/")
def _divide(ev, args):
    values = _numbers(args)
    if not values:
        return 0
    result = values[0]
    for value in values[1:]:
        if value == 0:
            raise LispError("divide by zero")
        if type(result) is int and type(value) is int:
            result = _int_divide(result, value)
        else:
            result = result / value
    return result if _all_int(values) else float(result)


@builtin("rem")
def _rem(ev, args):
    values = _numbers(args)
    if not values:
        return 0
    result = values[0]
    for value in values[1:]:
        if value == 0:
            raise LispError("divide by zero")
        if type(result) is int and type(value) is int:
            result = i32(result - _int_divide(result, value) * value)
        else:
            result = math.fmod(result, value)
    return result if _all_int(values) else float(result)


@builtin("1+", 1, 1)
def _one_plus(ev, args):
    value = checks.number(args[0])
    return i32(value + 1) if type(value) is int else value + 1.0


@builtin("1-", 1, 1)
def _one_minus(ev, args):
    value = checks.number(args[0])
    return i32(value - 1) if type(value) is int else value - 1.0


@builtin("abs", 1, 1)
def _abs(ev, args):
    value = checks.number(args[0])
    return i32(abs(value)) if type(value) is int else abs(value)


def _extreme(args, pick):
    values = _numbers(args)
    if not values:
        return 0
    result = pick(values)
    return result if _all_int(values) else float(result)


builtin("min")(lambda ev, args: _extreme(args, min))
builtin("max")(lambda ev, args: _extreme(args, max))


@builtin("fix", 1, 1)
def _fix(ev, args):
    value = checks.number(args[0])
    if type(value) is int:
        return value
    if math.isinf(value) or math.isnan(value):
        raise LispError("floating-point exception")
    whole = math.trunc(value)
    # Beyond 32 bits the truncated value stays real.
    return whole if -0x80000000 <= whole <= 0x7FFFFFFF else float(whole)


@builtin("float", 1, 1)
def _float(ev, args):
    return float(checks.number(args[0]))


@builtin("sqrt", 1, 1)
def _sqrt(ev, args):
    value = checks.number(args[0])
    if value < 0:
        raise LispError("function undefined for argument: %s" % checks.describe(value))
    return math.sqrt(value)


@builtin("expt", 2, 2)
def _expt(ev, args):
    base, power = _numbers(args)
    if type(base) is int and type(power) is int:
        if power >= 0:
            return i32(pow(base, power, 0x100000000))
        if base == 0:
            raise LispError("divide by zero")
        return 1 if base == 1 else (1 if power % 2 == 0 else -1) if base == -1 else 0
    if base < 0 and float(power) != math.floor(power):
        raise LispError("function undefined for argument: %s" % checks.describe(base))
    if base == 0 and power < 0:
        raise LispError("divide by zero")
    return _real_result(math.pow, base, power)


@builtin("exp", 1, 1)
def _exp(ev, args):
    return _real_result(math.exp, checks.number(args[0]))


@builtin("log", 1, 1)
def _log(ev, args):
    value = checks.number(args[0])
    if value <= 0:
        raise LispError("function undefined for argument: %s" % checks.describe(value))
    return math.log(value)


builtin("sin", 1, 1)(lambda ev, args: _real_result(math.sin, checks.number(args[0])))
builtin("cos", 1, 1)(lambda ev, args: _real_result(math.cos, checks.number(args[0])))


@builtin("atan", 1, 2)
def _atan(ev, args):
    values = _numbers(args)
    if len(values) == 2:
        return math.atan2(values[0], values[1])
    return math.atan(values[0])


@builtin("gcd", 2, 2)
def _gcd(ev, args):
    a, b = (checks.integer(value) for value in args)
    return math.gcd(a, b)


@builtin("~", 1, 1)
def _bitwise_not(ev, args):
    return i32(~checks.integer(args[0]))


@builtin("logand")
def _logand(ev, args):
    result = -1
    for value in args:
        result &= checks.integer(value)
    return i32(result) if args else 0


@builtin("logior")
def _logior(ev, args):
    result = 0
    for value in args:
        result |= checks.integer(value)
    return i32(result)


@builtin("lsh", 0, 2)
def _lsh(ev, args):
    value = checks.integer(args[0]) if args else 0
    bits = checks.integer(args[1]) if len(args) > 1 else 0
    unsigned = value & 0xFFFFFFFF
    if bits >= 32 or bits <= -32:
        return 0
    return i32(unsigned << bits if bits >= 0 else unsigned >> -bits)


@builtin("boole", 1)
def _boole(ev, args):
    operator = checks.integer(args[0])
    values = [checks.integer(value) for value in args[1:]]
    if not values:
        return 0
    result = values[0]
    for value in values[1:]:
        combined = 0
        if operator & 1:
            combined |= result & value
        if operator & 2:
            combined |= result & ~value
        if operator & 4:
            combined |= ~result & value
        if operator & 8:
            combined |= ~result & ~value
        result = i32(combined)
    return result


def _compare(args, test):
    """Compares adjacent arguments: all numbers or all strings."""
    if not args:
        raise LispError("too few arguments")
    strings = type(args[0]) is str
    for value in args:
        if strings and type(value) is not str:
            raise checks.bad_type("stringp", value)
        if not strings:
            checks.number(value)
    return truth(all(test(args[i], args[i + 1]) for i in range(len(args) - 1)))


builtin("=", 1)(lambda ev, args: _compare(args, lambda a, b: a == b))
builtin("/=", 1)(lambda ev, args: _compare(args, lambda a, b: a != b))
builtin("<", 1)(lambda ev, args: _compare(args, lambda a, b: a < b))
builtin(">", 1)(lambda ev, args: _compare(args, lambda a, b: a > b))
builtin("<=", 1)(lambda ev, args: _compare(args, lambda a, b: a <= b))
builtin(">=", 1)(lambda ev, args: _compare(args, lambda a, b: a >= b))
builtin("zerop", 1, 1)(lambda ev, args: truth(checks.number(args[0]) == 0))
builtin("minusp", 1, 1)(lambda ev, args: truth(checks.number(args[0]) < 0))


@builtin("distance", 2, 2)
def _distance(ev, args):
    a, b = checks.point(args[0]), checks.point(args[1])
    # A 2D point on either side makes the distance 2D.
    size = min(len(a), len(b))
    return math.dist(a[:size], b[:size])


@builtin("angle", 2, 2)
def _angle(ev, args):
    a, b = checks.point(args[0]), checks.point(args[1])
    return math.atan2(b[1] - a[1], b[0] - a[0]) % (2 * math.pi)


@builtin("polar", 3, 3)
def _polar(ev, args):
    origin = checks.point(args[0])
    direction = float(checks.number(args[1]))
    length = float(checks.number(args[2]))
    moved = [origin[0] + length * math.cos(direction), origin[1] + length * math.sin(direction)]
    return make_list(moved + origin[2:])
