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


def _container(model):
    return model.getDocumentProperties().getUserDefinedProperties()


def _names(container):
    return [p.Name for p in container.getPropertySetInfo().getProperties()]


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


def _replace(container, name, value):
    if name in _names(container):
        container.removeProperty(name)
    container.addProperty(name, _REMOVABLE, value)


class CustomDocumentProperty(DispatchObject):
    def __init__(self, model, name):
        self._model = model
        self._name = name

    def _value(self):
        container = _container(self._model)
        if self._name not in _names(container):
            raise DispatchError("Свойство %s удалено" % self._name)
        return container.getPropertyValue(self._name)

    def get_Name(self):
        return self._name

    def get_Value(self):
        return _readable(self._value())

    def put_Value(self, value):
        current = self._value()
        new = _converted(value, _type_of(current))
        container = _container(self._model)
        try:
            container.setPropertyValue(self._name, new)
        except Exception:  # noqa: BLE001 - the office keeps a property's type: replace the property
            _replace(container, self._name, new)

    def get_Type(self):
        return _type_of(self._value())

    def put_Type(self, kind):
        current = self._value()
        if _type_of(current) != kind:
            _replace(_container(self._model), self._name, _converted(current, kind))

    def m_Delete(self):
        container = _container(self._model)
        if self._name in _names(container):
            container.removeProperty(self._name)


class CustomDocumentProperties(DispatchObject):
    def __init__(self, model):
        self._model = model

    def get_Count(self):
        return len(_names(_container(self._model)))

    def m_Item(self, index):
        names = _names(_container(self._model))
        if isinstance(index, str):
            for name in names:
                if name.lower() == index.lower():
                    return CustomDocumentProperty(self._model, name)
        elif isinstance(index, int) and not isinstance(index, bool) and 1 <= index <= len(names):
            return CustomDocumentProperty(self._model, names[index - 1])
        raise DispatchError("Нет свойства %r" % (index,))

    def m_Add(self, Name, LinkToContent=OMITTED, Type=OMITTED, Value=OMITTED, LinkSource=OMITTED):
        if not isinstance(Name, str) or not Name:
            raise DispatchError("Не задано имя свойства")
        container = _container(self._model)
        if any(name.lower() == Name.lower() for name in _names(container)):
            # The property keeps its value; the caller has set it already if it wanted to.
            raise DispatchError("Свойство %s уже есть" % Name)
        kind = _type_of(Value) if Type is OMITTED else Type
        value = _converted("" if Value is OMITTED else Value, kind)
        container.addProperty(Name, _REMOVABLE, value)
        return CustomDocumentProperty(self._model, Name)
