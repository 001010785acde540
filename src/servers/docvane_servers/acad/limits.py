"""What one drawing may cost the server: the size of its file, the entities it expands to once array
inserts and nested blocks are counted, the nesting of its blocks, the time its commands take and the
memory of the whole process. A drawing past a bound ends with an error line naming the bound instead
of keeping the program busy for minutes or growing it until the system ends it.

Every bound can be changed through the environment (a value of 0 or less turns a bound off):
  DOCVANE_ACAD_MAX_FILE_MB      size of a drawing file, megabytes (100)
  DOCVANE_ACAD_MAX_ENTITIES     entities drawn once inserts are expanded, and records in the file
                                (1,000,000)
  DOCVANE_ACAD_MAX_NESTING      blocks inside blocks (64)
  DOCVANE_ACAD_MAX_SECONDS      command time spent on one drawing, seconds (300)
  DOCVANE_ACAD_MEMORY_MB        address space of the server process, megabytes (3072)"""

import itertools
import os
import resource
import time

from .command_queue import Cancelled
from .drawing import DrawingError

MEGABYTE = 1024 * 1024


def _setting(name, default, kind=int):
    text = os.environ.get(name, "").strip()
    if not text:
        return default
    try:
        value = kind(text)
    except ValueError:
        return default
    return value if value > 0 else None


class Limits:
    def __init__(self):
        self.max_file_mb = _setting("DOCVANE_ACAD_MAX_FILE_MB", 100, float)
        self.max_entities = _setting("DOCVANE_ACAD_MAX_ENTITIES", 1_000_000)
        self.max_nesting = _setting("DOCVANE_ACAD_MAX_NESTING", 64)
        self.max_seconds = _setting("DOCVANE_ACAD_MAX_SECONDS", 300.0, float)
        self.memory_mb = _setting("DOCVANE_ACAD_MEMORY_MB", 3072)


def current():
    return Limits()


class LimitExceeded(Cancelled):
    """A bound was reached in the middle of a command: like Escape it ends the whole text being run,
    but its message names the bound."""


_inherited_address_space = None


def apply_memory_limit(limits=None):
    """Caps the process's address space, so that a drawing too large for the machine ends in a
    MemoryError the server reports, not in the system killing it. False when the cap cannot be set."""
    global _inherited_address_space
    limits = limits or current()
    if limits.memory_mb is None:
        return True
    wanted = int(limits.memory_mb) * MEGABYTE
    try:
        soft, hard = resource.getrlimit(resource.RLIMIT_AS)
        if _inherited_address_space is None:
            _inherited_address_space = soft
        if hard != resource.RLIM_INFINITY:
            wanted = min(wanted, hard)
        resource.setrlimit(resource.RLIMIT_AS, (wanted, hard))
    except (ValueError, OSError):
        return False
    return True


def release_memory_limit():
    """For a helper process the server starts (as its preexec_fn): the cap is the server's own, a
    helper that reserves large address ranges (a WebAssembly engine) gets the limit the server got."""
    if _inherited_address_space is not None:
        try:
            _, hard = resource.getrlimit(resource.RLIMIT_AS)
            resource.setrlimit(resource.RLIMIT_AS, (_inherited_address_space, hard))
        except (ValueError, OSError):
            pass


def _address_space_peak():
    """The most address space this process has held (bytes); None when it cannot be read."""
    try:
        with open("/proc/self/status", encoding="ascii", errors="replace") as status:
            for line in status:
                if line.startswith("VmPeak:"):
                    return int(line.split()[1]) * 1024
    except (OSError, ValueError, IndexError):
        pass
    return None


def out_of_memory(error):
    """Whether error is the address-space cap's doing. Besides MemoryError, a C routine whose allocation
    fails under the cap may return without saying why, which the interpreter turns into a SystemError;
    that one counts once the process has taken at least half of its cap. Without a cap, or far from
    it, a SystemError is a fault of its own and is reported as one."""
    if isinstance(error, MemoryError):
        return True
    if not isinstance(error, SystemError):
        return False
    try:
        soft, _ = resource.getrlimit(resource.RLIMIT_AS)
    except (ValueError, OSError):
        return False
    peak = _address_space_peak()
    return soft != resource.RLIM_INFINITY and peak is not None and peak >= soft * 0.5


def memory_message(path, limits=None):
    limits = limits or current()
    bound = f" (предел {limits.memory_mb} МБ)" if limits.memory_mb is not None else ""
    return f"Недостаточно памяти для обработки чертежа{bound}: {path}"


def check_file_size(path, limits=None):
    limits = limits or current()
    if limits.max_file_mb is None:
        return
    try:
        size = os.path.getsize(path)
    except OSError:
        return  # the reader names a missing or unreadable file itself
    if size > limits.max_file_mb * MEGABYTE:
        raise DrawingError(
            f"Чертеж слишком велик: {size / MEGABYTE:.0f} МБ (предел {limits.max_file_mb:g} МБ): {path}"
        )


_BINARY_DXF = b"AutoCAD Binary DXF"


def file_records(path, bound=None):
    """The records (entities, table entries, objects) an ASCII DXF file holds, counted from its group
    code 0 lines without parsing it; counting stops once bound is passed. None for other files."""
    try:
        with open(path, "rb") as stream:
            if stream.read(len(_BINARY_DXF)) == _BINARY_DXF:
                return None
            stream.seek(0)
            count = 0
            # Lines alternate: group code, value.
            for code in itertools.islice(stream, 0, None, 2):
                if code.strip() == b"0":
                    count += 1
                    if bound is not None and count > bound:
                        break
            return count
    except OSError:
        return None


def check_file(path, limits=None):
    """Refuses, before it is read, a file that is too large or holds more records than the bound of
    drawn entities: reading such a file alone costs minutes and gigabytes."""
    limits = limits or current()
    check_file_size(path, limits)
    bound = limits.max_entities
    if bound is None:
        return
    records = file_records(path, bound)
    if records is not None and records > bound:
        raise DrawingError(f"Чертеж слишком сложен: в файле более {bound} объектов: {path}")


def _copies(insert):
    """How many times an insert places its block: an array insert repeats it rows times columns."""
    dxf = insert.dxf
    rows = max(1, int(dxf.get("row_count", 1) or 1))
    columns = max(1, int(dxf.get("column_count", 1) or 1))
    return rows * columns


def _table_block(entity):
    try:
        return entity.xtags.get_subclass("AcDbBlockReference").get_first_value(2, None)
    except Exception:  # noqa: BLE001 - a table without its block reference draws nothing of a block
        return None


class _Counter:
    """Expanded entity counts of layouts and blocks, each block counted once."""

    def __init__(self, doc, path, limits):
        self.doc = doc
        self.path = path
        self.limits = limits
        self.known = {}  # block name -> (entities drawn by one insert of it, nesting height)
        self.open = []  # block names being counted, outermost first

    def too_many(self, count):
        bound = self.limits.max_entities
        return bound is not None and count > bound

    def refuse_count(self):
        raise DrawingError(
            f"Чертеж слишком сложен: более {self.limits.max_entities} объектов после развертывания "
            f"вставок блоков и массивов: {self.path}"
        )

    def block(self, name, depth):
        nesting = self.limits.max_nesting
        if nesting is not None and depth > nesting:
            self.refuse_nesting()
        known = self.known.get(name)
        if known is None:
            if name in self.open:
                cycle = " -> ".join(self.open[self.open.index(name):] + [name])
                raise DrawingError(f'Блок "{name}" вставляет сам себя ({cycle}): {self.path}')
            block = self.doc.blocks.get(name)
            if block is None:
                return 0, 0
            self.open.append(name)
            try:
                known = self.entities(block, depth)
            finally:
                self.open.pop()
            self.known[name] = known
        if nesting is not None and depth + known[1] > nesting:
            self.refuse_nesting()
        return known

    def refuse_nesting(self):
        raise DrawingError(f"Вложенность блоков чертежа больше {self.limits.max_nesting}: {self.path}")

    def entities(self, entities, depth):
        total = 0
        height = 0
        for entity in entities:
            kind = entity.dxftype()
            inner = None
            copies = 1
            if kind == "INSERT":
                inner = entity.dxf.get("name")
                copies = _copies(entity)
                total += len(entity.attribs) * copies
            elif kind == "DIMENSION":
                inner = entity.dxf.get("geometry")
            elif kind == "ACAD_TABLE":
                inner = _table_block(entity)
            total += 1
            if inner:
                count, inner_height = self.block(inner, depth + 1)
                total += copies * count
                height = max(height, inner_height + 1)
            if self.too_many(total):
                self.refuse_count()
        return total, height


def check_drawing_cost(doc, path, limits=None):
    """Refuses a drawing whose layouts expand to more entities than the bound, whose blocks nest too
    deep, or whose block inserts itself (directly or through other blocks). Returns the count."""
    counter = _Counter(doc, path, limits or current())
    total = 0
    try:
        model, _ = counter.entities(doc.modelspace(), 0)
        total = model
        for layout in doc.layouts:
            if layout.is_modelspace:
                continue
            count, _ = counter.entities(layout, 0)
            # Every viewport of a sheet draws the model once more (the sheet's own one draws nothing,
            # but a sheet never set up shows the whole model).
            views = sum(1 for entity in layout if entity.dxftype() == "VIEWPORT" and entity.dxf.get("id", 0) != 1)
            if all(entity.dxftype() == "VIEWPORT" for entity in layout):
                views = max(views, 1)
            total += count + views * model
            if counter.too_many(total):
                counter.refuse_count()
    except RecursionError:
        counter.refuse_nesting()  # only with the nesting bound turned off
    return total


class WorkBudget:
    """The command time one drawing may take, and the check long commands make between steps: it
    raises on Escape at once and when the drawing's time is spent."""

    def __init__(self, check_escape, path, limits=None):
        self.check_escape = check_escape
        self.path = path
        self.limits = limits or current()
        self.spent = 0.0
        self._since = None

    def run(self, work):
        self._since = time.monotonic()
        try:
            work()
        finally:
            self.spent += time.monotonic() - self._since
            self._since = None

    def elapsed(self):
        running = time.monotonic() - self._since if self._since is not None else 0.0
        return self.spent + running

    def check(self):
        self.check_escape()
        bound = self.limits.max_seconds
        if bound is not None and self.elapsed() > bound:
            raise LimitExceeded(f"Обработка чертежа прервана: превышен предел времени {bound:g} с: {self.path}")
