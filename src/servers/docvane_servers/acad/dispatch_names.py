"""The framework's value types and object base, with a minimal local copy for running the drawing
objects before the socket framework is installed beside them."""

try:
    from docvane_servers.dispatch import OMITTED, DispatchError, DispatchObject, Omitted, Single
except ImportError:  # pragma: no cover - only without the framework

    class Omitted:
        pass

    OMITTED = Omitted()

    class Single(float):
        pass

    class DispatchError(Exception):
        def __init__(self, message, code=0x80020009):
            super().__init__(message)
            self.code = code

    class DispatchObject:
        pass


# Calls that change a drawing while a command is still running are refused, as the real program does.
CALL_REJECTED = 0x80010001

__all__ = ["OMITTED", "Omitted", "Single", "DispatchError", "DispatchObject", "CALL_REJECTED"]
