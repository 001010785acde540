"""PDF export of layouts: one page per layout at its paper size and plot rotation, drawn through
ezdxf's front end onto cairo."""

import cairo
from ezdxf import disassemble
from ezdxf.addons.drawing import Frontend, RenderContext
from ezdxf.math import BoundingBox, Matrix44

from . import fields
from .cairo_backend import MM, CairoBackend
from .diagnostics import complain
from .drawing import MODEL, DrawingError
from .limits import check_drawing_cost, out_of_memory
from .references import display_document
from .saving import write_atomically

# A sheet without its own paper settings, and the model, are printed on landscape A3.
DEFAULT_PAPER_MM = (420.0, 297.0)
MODEL_MARGIN_MM = 10.0
WHITE = "#ffffff"


class TolerantFrontend(Frontend):
    """Skips an entity the engine cannot draw instead of losing the whole page."""

    reported = False
    check_escape = staticmethod(lambda: None)
    values = None  # the drawing's custom properties, which its fields show

    def draw_entity(self, entity, properties):
        self.check_escape()
        depth = len(getattr(self.out, "entity_stack", ()))
        try:
            with fields.showing_values(entity, self.values):
                super().draw_entity(entity, properties)
        except Exception as error:  # a damaged entity must not end the export
            if out_of_memory(error):
                raise  # not a damaged entity: the whole export ends, by name
            stack = getattr(self.out, "entity_stack", None)
            if stack is not None:
                del stack[depth:]
            if not self.reported:
                complain(f"Объект {entity.dxftype()} пропущен при выводе: {type(error).__name__}: {error}")
                self.reported = True


class Page:
    """Where a layout lands: page size in points and the matrix from layout units to page points."""

    def __init__(self, width, height, to_page, scale_mm):
        self.width = width
        self.height = height
        self.to_page = to_page
        self.scale_mm = scale_mm


def _paper_units_mm(dxf_layout):
    return 25.4 if dxf_layout.dxf.get("plot_paper_units", 1) == 0 else 1.0


def paper_page(layout):
    """The page of a paper layout: paper size and rotation from its plot settings, its limits placing
    the paper's lower-left corner."""
    dxf = layout.dxf_layout.dxf
    width_mm = dxf.get("paper_width", 0.0) or 0.0
    height_mm = dxf.get("paper_height", 0.0) or 0.0
    unit_mm = _paper_units_mm(layout.dxf_layout)
    if width_mm <= 0 or height_mm <= 0:
        width_mm, height_mm = DEFAULT_PAPER_MM
    lower_left = layout.dxf.get("limmin", (0.0, 0.0))
    rotation = int(dxf.get("plot_rotation", 0) or 0) % 4

    width, height = width_mm * MM, height_mm * MM
    scale = unit_mm * MM
    # Layout units to unrotated paper points, y up.
    matrix = Matrix44.translate(-lower_left[0], -lower_left[1], 0) @ Matrix44.scale(scale, scale, 1)
    if rotation == 1:  # a quarter turn counter-clockwise
        matrix = matrix @ Matrix44.z_rotate(1.5707963267948966) @ Matrix44.translate(height, 0, 0)
        width, height = height, width
    elif rotation == 2:
        matrix = matrix @ Matrix44.z_rotate(3.141592653589793) @ Matrix44.translate(width, height, 0)
    elif rotation == 3:
        matrix = matrix @ Matrix44.z_rotate(-1.5707963267948966) @ Matrix44.translate(0, width, 0)
        width, height = height, width
    # PDF pages run downwards.
    matrix = matrix @ Matrix44.scale(1, -1, 1) @ Matrix44.translate(0, height, 0)
    return Page(width, height, matrix, unit_mm)


def fitted_page(extents):
    """A landscape A3 page showing the given model extents whole, centred within the margins."""
    width, height = (side * MM for side in DEFAULT_PAPER_MM)
    margin = MODEL_MARGIN_MM * MM
    if extents is None or not extents.has_data or extents.size.x <= 0 and extents.size.y <= 0:
        return Page(width, height, Matrix44.scale(1, -1, 1) @ Matrix44.translate(0, height, 0), 1.0)
    size = extents.size
    scale = min(
        (width - 2 * margin) / size.x if size.x > 0 else float("inf"),
        (height - 2 * margin) / size.y if size.y > 0 else float("inf"),
    )
    centre = extents.center
    matrix = (
        Matrix44.translate(-centre.x, -centre.y, 0)
        @ Matrix44.scale(scale, scale, 1)
        @ Matrix44.scale(1, -1, 1)
        @ Matrix44.translate(width / 2, height / 2, 0)
    )
    return Page(width, height, matrix, 1.0)


def _is_blank(layout):
    """A sheet never set up: nothing on it but its own overall viewport."""
    return all(entity.dxftype() == "VIEWPORT" and entity.dxf.get("id", 0) == 1 for entity in layout)


def model_extents(doc, check_escape):
    """The extents of everything the model shows, inserts expanded; long walks give way to Escape."""
    def checked(entities):
        for entity in entities:
            check_escape()
            yield entity

    extents = BoundingBox()
    for primitive in disassemble.to_primitives(checked(disassemble.recursive_decompose(doc.modelspace()))):
        if not primitive.is_empty:
            box = primitive.bbox(fast=True)
            if box.has_data:
                extents.extend(box)
    return extents


class PdfWriter:
    def __init__(self, path, check_escape=None, values=None):
        self.path = path
        self.check_escape = check_escape or (lambda: None)
        self.values = values

    def write(self, doc, layouts):
        """Writes the layouts (ezdxf layout objects) as pages, in the order given."""
        if not layouts:
            raise DrawingError("Нет листов для экспорта")

        def render(stream):
            surface = None
            try:
                for layout in layouts:
                    page, draw = self._plan(doc, layout)
                    if surface is None:
                        surface = cairo.PDFSurface(stream, page.width, page.height)
                        surface.set_metadata(cairo.PDF_METADATA_CREATOR, "docvane-acad-server")
                    else:
                        surface.set_size(page.width, page.height)
                    context = cairo.Context(surface)
                    draw(CairoBackend(context, page.to_page, page.scale_mm))
                    context.show_page()
            finally:
                if surface is not None:
                    surface.finish()

        write_atomically(self.path, render)

    def _plan(self, doc, layout):
        frontend_layout = layout
        if layout.name == MODEL or layout.is_modelspace:
            page = fitted_page(model_extents(doc, self.check_escape))
        elif _is_blank(layout):
            # A new sheet shows the whole model, as a first look at an untouched sheet does.
            page = fitted_page(model_extents(doc, self.check_escape))
            frontend_layout = doc.modelspace()
        else:
            page = paper_page(layout)

        def draw(backend):
            context = RenderContext(doc)
            context.set_current_layout(frontend_layout)
            # Paper is white whatever the screen colours: colour 7 prints black.
            context.current_layout_properties.set_colors(WHITE)
            frontend = TolerantFrontend(context, backend)
            frontend.check_escape = self.check_escape
            frontend.values = self.values
            frontend.draw_layout(frontend_layout, finalize=True, layout_properties=context.current_layout_properties)

        return page, draw


def export_layouts(drawing, names, path, check_escape=None):
    layouts = []
    for name in names:
        layout = drawing.doc.layouts.get(name)
        if layout is None:
            raise DrawingError(f"Лист не найден: {name}")
        layouts.append(layout)
    # Fields are evaluated on plotting: FIELD objects cache the current property values.
    if fields.update_field_objects(drawing.doc):
        drawing.modified = True
    shown = display_document(drawing)
    if shown is not drawing.doc:
        layouts = [shown.layouts.get(layout.name) for layout in layouts]
    # Scripts and references add content after opening: the bounds hold for what is drawn.
    check_drawing_cost(shown, drawing.path)
    PdfWriter(path, check_escape, fields.Values(drawing.doc)).write(shown, layouts)
