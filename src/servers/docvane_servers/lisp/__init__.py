"""A LISP interpreter for the drawing-program server: command texts and user scripts."""

from .interpreter import Interpreter
from .values import LispError

__all__ = ["Interpreter", "LispError"]
