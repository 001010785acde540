"""The document's custom properties (the office's user-defined document properties)."""
from ..dispatch import OMITTED, DispatchError, DispatchObject

TYPE_NUMBER = 1
TYPE_BOOLEAN = 2
TYPE_DATE = 3
TYPE_STRING = 4
TYPE_FLOAT = 5
# Properties a client adds can be removed again (a change of type replaces the property).
_REMOVABLE = 128
_INT32 = range(-2 ** 31, 2 ** 31)


class PropertyStore:
    """A document's user-defined properties with their names kept between calls: a client reads
    them one by one, and every office call costs milliseconds. Changes made through the store
    keep the names current; forget() drops them after anything else may have changed them."""

    def __init__(self, model):
        self.container = model.getDocumentProperties().getUserDefinedProperties()
        self._names = None

    def names(self):
        if self._names is None:
            self._names = [p.Name for p in self.container.getPropertySetInfo().getProperties()]
        return self._names

    def forget(self):
        self._names = None

    def get(self, name):
        if name not in self.names():
            raise DispatchError("Свойство %s удалено" % name)
        return self.container.getPropertyValue(name)

    def set(self, name, value):
        try:
            self.container.setPropertyValue(name, value)
        except Exception:  # noqa: BLE001 - the office keeps a property's type: replace the property
            self.replace(name, value)

    def replace(self, name, value):
        if name in self.names():
            self.container.removeProperty(name)
            self._names.remove(name)
        self.add(name, value)

    def add(self, name, value):
        self.container.addProperty(name, _REMOVABLE, value)
        self.names().append(name)

    def remove(self, name):
        if name in self.names():
            self.container.removeProperty(name)
            self._names.remove(name)


def _type_of(value):
    if isinstance(value, bool):
        return TYPE_BOOLEAN
    if isinstance(value, int):
        return TYPE_NUMBER
    if isinstance(value, float):
        return TYPE_FLOAT
    if isinstance(value, str):
        return TYPE_STRING
    return TYPE_DATE


def _converted(value, kind):
    """value as a property of the given type holds it; DispatchError when it cannot."""
    try:
        if kind == TYPE_STRING or kind == TYPE_DATE:
            if isinstance(value, bool):
                return "True" if value else "False"
            return value if isinstance(value, str) else str(_readable(value))
        if kind == TYPE_BOOLEAN:
            return bool(value) if not isinstance(value, str) else value.strip().lower() in ("true", "1", "-1")
        if kind == TYPE_NUMBER:
            return int(float(value))
        if kind == TYPE_FLOAT:
            return float(value)
    except (TypeError, ValueError):
        raise DispatchError("Значение %r не подходит к типу %r" % (value, kind))
    raise DispatchError("Неизвестный тип свойства %r" % (kind,))


def _readable(value):
    """A value the client can receive: texts, 32-bit integers, flags and numbers; other kinds as text."""
    if isinstance(value, (bool, str, float)):
        return value
    if isinstance(value, int):
        return value if value in _INT32 else float(value)
    if hasattr(value, "Year") and hasattr(value, "Month") and hasattr(value, "Day"):
        return "%02d.%02d.%04d" % (value.Day, value.Month, value.Year)
    return str(value)


class CustomDocumentProperty(DispatchObject):
    def __init__(self, store, name):
        self._store = store
        self._name = name

    def get_Name(self):
        return self._name

    def get_Value(self):
        return _readable(self._store.get(self._name))

    def put_Value(self, value):
        self._store.set(self._name, _converted(value, _type_of(self._store.get(self._name))))

    def get_Type(self):
        return _type_of(self._store.get(self._name))

    def put_Type(self, kind):
        current = self._store.get(self._name)
        if _type_of(current) != kind:
            self._store.replace(self._name, _converted(current, kind))

    def m_Delete(self):
        self._store.remove(self._name)


class CustomDocumentProperties(DispatchObject):
    def __init__(self, store):
        self._store = store

    def get_Count(self):
        return len(self._store.names())

    def m_Item(self, index):
        names = self._store.names()
        if isinstance(index, str):
            for name in names:
                if name.lower() == index.lower():
                    return CustomDocumentProperty(self._store, name)
        elif isinstance(index, int) and not isinstance(index, bool) and 1 <= index <= len(names):
            return CustomDocumentProperty(self._store, names[index - 1])
        raise DispatchError("Нет свойства %r" % (index,))

    def m_Add(self, Name, LinkToContent=OMITTED, Type=OMITTED, Value=OMITTED, LinkSource=OMITTED):
        if not isinstance(Name, str) or not Name:
            raise DispatchError("Не задано имя свойства")
        if any(name.lower() == Name.lower() for name in self._store.names()):
            # The property keeps its value; the caller has set it already if it wanted to.
            raise DispatchError("Свойство %s уже есть" % Name, quiet=True)
        kind = _type_of(Value) if Type is OMITTED else Type
        self._store.add(Name, _converted("" if Value is OMITTED else Value, kind))
        return CustomDocumentProperty(self._store, Name)
