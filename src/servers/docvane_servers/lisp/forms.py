"""Special forms: the functions that receive their arguments unevaluated."""

from . import checks
from .evaluator import make_function
from .registry import builtin
from .values import (
    SLASH,
    CaughtError,
    Cons,
    HardError,
    LispError,
    T,
    UserFunction,
    intern,
    make_list,
    type_name,
)


def _forms(args):
    """The argument forms as a Python list (the reader only builds proper lists here)."""
    items = []
    while type(args) is Cons:
        items.append(args.car)
        args = args.cdr
    return items


def _arity(forms, low, high=None):
    if len(forms) < low:
        raise LispError("too few arguments")
    if high is not None and len(forms) > high:
        raise LispError("too many arguments")


@builtin("quote", special=True)
def _quote(ev, args):
    forms = _forms(args)
    _arity(forms, 1, 1)
    return forms[0]


@builtin("function", special=True)
def _function(ev, args):
    forms = _forms(args)
    _arity(forms, 1, 1)
    form = forms[0]
    if type(form) is Cons:
        return ev.function_of(form)
    return form


@builtin("setq", special=True)
def _setq(ev, args):
    forms = _forms(args)
    if len(forms) % 2 or not forms:
        raise LispError("too few arguments")
    value = None
    for index in range(0, len(forms), 2):
        name = checks.symbol(forms[index])
        value = ev.eval(forms[index + 1])
        if value is None:
            ev.values.pop(name, None)
        else:
            ev.values[name] = value
    return value


def _define(ev, args):
    forms = _forms(args)
    _arity(forms, 2)
    name = checks.symbol(forms[0])
    ev.values[name] = make_function(name.name, forms[1], args.cdr.cdr)
    return name


builtin("defun", special=True)(_define)
builtin("defun-q", special=True)(_define)


@builtin("lambda", special=True)
def _lambda(ev, args):
    forms = _forms(args)
    _arity(forms, 1)
    return make_function(None, forms[0], args.cdr)


@builtin("if", special=True)
def _if(ev, args):
    forms = _forms(args)
    _arity(forms, 2, 3)
    if ev.eval(forms[0]) is not None:
        return ev.eval(forms[1])
    return ev.eval(forms[2]) if len(forms) == 3 else None


@builtin("cond", special=True)
def _cond(ev, args):
    for clause in _forms(args):
        if type(clause) is not Cons:
            raise checks.bad_type("listp", clause)
        test = ev.eval(clause.car)
        if test is not None:
            return ev.eval_body(clause.cdr) if clause.cdr is not None else test
    return None


@builtin("progn", special=True)
def _progn(ev, args):
    return ev.eval_body(args)


@builtin("while", special=True)
def _while(ev, args):
    _arity(_forms(args), 1)
    result = None
    while ev.eval(args.car) is not None:
        result = ev.eval_body(args.cdr)
    return result


@builtin("repeat", special=True)
def _repeat(ev, args):
    forms = _forms(args)
    _arity(forms, 1)
    count = checks.integer(ev.eval(forms[0]))
    result = None
    for _ in range(max(count, 0)):
        ev.charge(1)
        result = ev.eval_body(args.cdr)
    return result


@builtin("foreach", special=True)
def _foreach(ev, args):
    forms = _forms(args)
    _arity(forms, 2)
    name = checks.symbol(forms[0])
    items = checks.to_list(ev.eval(forms[1]))
    result = None
    saved = ev.bind([name], [None])
    try:
        for item in items:
            if item is None:
                ev.values.pop(name, None)
            else:
                ev.values[name] = item
            result = ev.eval_body(args.cdr.cdr)
    finally:
        ev.unbind(saved)
    return result


@builtin("and", special=True)
def _and(ev, args):
    for form in _forms(args):
        if ev.eval(form) is None:
            return None
    return T


@builtin("or", special=True)
def _or(ev, args):
    for form in _forms(args):
        if ev.eval(form) is not None:
            return T
    return None


# Functions close to the evaluator that take evaluated arguments.


@builtin("eval", 1, 1)
def _eval(ev, args):
    return ev.eval(args[0])


@builtin("apply", 2, 2)
def _apply(ev, args):
    return ev.apply(args[0], checks.to_list(args[1]))


@builtin("set", 2, 2)
def _set(ev, args):
    name = checks.symbol(args[0])
    if args[1] is None:
        ev.values.pop(name, None)
    else:
        ev.values[name] = args[1]
    return args[1]


@builtin("boundp", 1, 1)
def _boundp(ev, args):
    name = checks.symbol(args[0]) if args[0] is not None else None
    return T if name is not None and ev.values.get(name) is not None else None


@builtin("vl-symbol-value", 1, 1)
def _symbol_value(ev, args):
    return ev.values.get(checks.symbol(args[0]))


@builtin("mapcar", 2)
def _mapcar(ev, args):
    function = ev.function_of(args[0])
    lists = [checks.to_list(items) for items in args[1:]]
    count = min(len(items) for items in lists)
    results = [ev.apply(function, [items[i] for items in lists]) for i in range(count)]
    return make_list(results)


@builtin("exit", 0, 0)
def _exit(ev, args):
    raise LispError("quit / exit abort")


builtin("quit", 0, 0)(_exit)


@builtin("vl-catch-all-apply", 2, 2)
def _catch_all_apply(ev, args):
    ev.catching += 1
    try:
        return ev.apply(args[0], checks.to_list(args[1]))
    except HardError:
        raise
    except LispError as failure:
        return CaughtError(failure.message)
    finally:
        ev.catching -= 1


@builtin("vl-catch-all-error-p", 1, 1)
def _catch_all_error_p(ev, args):
    return T if type(args[0]) is CaughtError else None


@builtin("vl-catch-all-error-message", 1, 1)
def _catch_all_error_message(ev, args):
    if type(args[0]) is not CaughtError:
        raise checks.bad_type("vl-catch-all-apply-error-p", args[0])
    return args[0].message


@builtin("type", 1, 1)
def _type(ev, args):
    name = type_name(args[0])
    return intern(name) if name is not None else None


@builtin("defun-q-list-ref", 1, 1)
def _defun_q_list_ref(ev, args):
    function = ev.values.get(checks.symbol(args[0]))
    if type(function) is not UserFunction:
        return None
    params = make_list(function.params + ([SLASH] + function.locals if function.locals else []))
    return Cons(params, function.body)
