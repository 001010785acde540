"""Values and the base of every object a stand-in server exposes to its clients."""

E_EXCEPTION = 0x80020009


class Omitted:
    """An optional argument the caller left out."""

    _instance = None

    def __new__(cls):
        if cls._instance is None:
            cls._instance = super().__new__(cls)
        return cls._instance

    def __bool__(self):
        return False


OMITTED = Omitted()


class Single(float):
    """A value the client receives tagged as a 32-bit float."""


class DispatchError(Exception):
    """Raised by a member to fail the call with the given status."""

    def __init__(self, message, code=E_EXCEPTION):
        super().__init__(message)
        self.code = code


class DispatchObject:
    """Base of every object a server exposes (members m_Name, get_Name, put_Name)."""
