"""Numbers and angles as text in the drawing program's unit formats (rtos, distof, angtos)."""

import math
import re
from fractions import Fraction

from . import checks
from .hostcalls import sysvar_number
from .registry import builtin
from .values import LispError

_PLAIN = re.compile(r"\s*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?\s*\Z")
_FRACTION = re.compile(r"\s*([+-]?)(?:(\d+)(?:\s+|-))?(\d+)/(\d+)\s*\Z")
_FEET_INCHES = re.compile(
    r"\s*([+-]?)(?:(\d+(?:\.\d*)?)')?-?(?:(\d+(?:\.\d*)?)?(?:[\s-]*(\d+)/(\d+))?\")?\s*\Z"
)


def _precision(args, index, ev, variable, default):
    if len(args) > index and args[index] is not None:
        value = checks.integer(args[index])
    else:
        value = sysvar_number(ev, variable, default)
    return value


def _strip_decimal(text, dimzin):
    if dimzin & 8 and "." in text:
        text = text.rstrip("0").rstrip(".")
    if dimzin & 4:
        if text.startswith("0.") and len(text) > 2:
            text = text[1:]
        elif text.startswith("-0.") and len(text) > 3:
            text = "-" + text[2:]
    return text


def _fraction_text(value, precision):
    """Whole units and a fraction rounded to 1/2**precision, e.g. "5 1/2"."""
    scaled = Fraction(round(value * 2**precision), 2**precision)
    whole = math.floor(scaled)
    rest = scaled - whole
    if rest == 0:
        return str(whole)
    return "%d %d/%d" % (whole, rest.numerator, rest.denominator) if whole else "%d/%d" % (
        rest.numerator,
        rest.denominator,
    )


def real_to_text(value, mode, precision, dimzin=0):
    precision = min(max(precision, 0), 8)
    if math.isinf(value) or math.isnan(value):
        raise LispError("floating-point exception")
    sign = "-" if value < 0 else ""
    size = abs(value)
    if mode == 1:
        return "%.*E" % (precision, value)
    if mode == 2:
        text = "%.*f" % (precision, value)
        if float(text) == 0:
            text = text.lstrip("-")
        return _strip_decimal(text, dimzin)
    if mode == 3:
        feet = int(size // 12)
        inches = round(size - feet * 12, precision)
        if inches >= 12:
            feet, inches = feet + 1, inches - 12
        return "%s%d'-%.*f\"" % (sign, feet, precision, inches)
    if mode == 4:
        steps = round(size * 2**precision)
        feet, rest = divmod(steps, 12 * 2**precision)
        return "%s%d'-%s\"" % (sign, feet, _fraction_text(rest / 2**precision, precision))
    if mode == 5:
        return sign + _fraction_text(size, precision)
    raise LispError("bad argument value: mode %d" % mode)


@builtin("rtos", 1, 3)
def _rtos(ev, args):
    value = float(checks.number(args[0]))
    mode = _precision(args, 1, ev, "LUNITS", 2)
    precision = _precision(args, 2, ev, "LUPREC", 4)
    return real_to_text(value, mode, precision, sysvar_number(ev, "DIMZIN", 0))


def text_to_real(text):
    """The number a distance text stands for in any of the formats rtos writes, or None."""
    if _PLAIN.match(text):
        try:
            return float(text)
        except ValueError:
            return None
    match = _FRACTION.match(text)
    if match:
        sign, whole, numerator, denominator = match.groups()
        if int(denominator) == 0:
            return None
        value = int(whole or 0) + int(numerator) / int(denominator)
        return -value if sign == "-" else value
    match = _FEET_INCHES.match(text)
    if match and ("'" in text or '"' in text):
        sign, feet, inches, numerator, denominator = match.groups()
        if denominator is not None and int(denominator) == 0:
            return None
        value = float(feet or 0) * 12 + float(inches or 0)
        if numerator is not None:
            value += int(numerator) / int(denominator)
        return -value if sign == "-" else value
    return None


@builtin("distof", 1, 2)
def _distof(ev, args):
    text = checks.string(args[0])
    if len(args) == 2 and args[1] is not None:
        checks.integer(args[1])
    return text_to_real(text)


def _dms(degrees, precision):
    """Degrees, minutes and seconds as 45d30'15", showing as much as the precision asks."""
    if precision <= 0:
        return "%dd" % round(degrees)
    if precision <= 2:
        minutes = round(degrees * 60)
        return "%dd%d'" % divmod(minutes, 60)
    decimals = max(precision - 4, 0)
    seconds = round(degrees * 3600, decimals)
    whole_degrees, rest = divmod(seconds, 3600)
    minutes, seconds = divmod(rest, 60)
    return "%dd%d'%.*f\"" % (whole_degrees, minutes, decimals, seconds)


def angle_to_text(angle, mode, precision):
    precision = min(max(precision, 0), 8)
    angle %= 2 * math.pi
    degrees = math.degrees(angle)
    if mode == 0:
        return "%.*f" % (precision, degrees)
    if mode == 1:
        return _dms(degrees, precision)
    if mode == 2:
        return "%.*fg" % (precision, degrees * 400 / 360)
    if mode == 3:
        return "%.*fr" % (precision, angle)
    if mode == 4:
        quarters = [(0, 90, "N", "E", 90, -1), (90, 180, "N", "W", 90, 1), (180, 270, "S", "W", 270, -1)]
        for low, high, north_south, east_west, base, direction in quarters:
            if low <= degrees < high:
                break
        else:
            north_south, east_west, base, direction = "S", "E", 270, 1
        bearing = (degrees - base) * direction
        if round(bearing, 6) == 0:
            return north_south
        if round(bearing, 6) == 90:
            return east_west
        return "%s %s %s" % (north_south, _dms(bearing, precision), east_west)
    raise LispError("bad argument value: mode %d" % mode)


@builtin("angtos", 1, 3)
def _angtos(ev, args):
    angle = float(checks.number(args[0]))
    mode = _precision(args, 1, ev, "AUNITS", 0)
    precision = _precision(args, 2, ev, "AUPREC", 0)
    return angle_to_text(angle, mode, precision)
