"""A drawing back end for ezdxf's front end that paints onto a cairo context (a PDF page).

Coordinates arrive in the layout's units and are mapped to page points by `to_page`; text is set in
real fonts found through fontconfig, so it stays text in the PDF."""

import math

import cairo
from ezdxf.addons.drawing.backend import Backend
from ezdxf.path import Command
from ezdxf.tools.fonts import FontMeasurements

MM = 72.0 / 25.4
THINNEST_MM = 0.13
_DEFAULT_FAMILY = "DejaVu Sans"


def _rgba(color):
    """'#rrggbb' or '#rrggbbaa' as cairo components."""
    text = (color or "#000000").lstrip("#")
    try:
        red, green, blue = (int(text[i : i + 2], 16) / 255.0 for i in (0, 2, 4))
        alpha = int(text[6:8], 16) / 255.0 if len(text) >= 8 else 1.0
    except ValueError:
        return 0.0, 0.0, 0.0, 1.0
    return red, green, blue, alpha


class _FontMetrics:
    """Cap height, x height and descender of a family at size 1, measured once."""

    def __init__(self):
        self._surface = cairo.RecordingSurface(cairo.CONTENT_COLOR_ALPHA, None)
        self._context = cairo.Context(self._surface)
        self._cache = {}

    def face(self, font):
        family = _DEFAULT_FAMILY
        slant = cairo.FONT_SLANT_NORMAL
        weight = cairo.FONT_WEIGHT_NORMAL
        if font is not None:
            family = font.family or _DEFAULT_FAMILY
            if font.is_italic:
                slant = cairo.FONT_SLANT_ITALIC
            elif font.is_oblique:
                slant = cairo.FONT_SLANT_OBLIQUE
            if str(font.weight).lower() in ("bold", "heavy", "black", "700", "800", "900"):
                weight = cairo.FONT_WEIGHT_BOLD
        return family, slant, weight

    def ratios(self, face):
        cached = self._cache.get(face)
        if cached is None:
            context = self._context
            context.select_font_face(*face)
            context.set_font_size(100.0)
            cap = -context.text_extents("H").y_bearing / 100.0 or 0.7
            x_height = -context.text_extents("x").y_bearing / 100.0 or 0.5
            descender = context.font_extents()[1] / 100.0
            cached = (cap, x_height, descender)
            self._cache[face] = cached
        return cached

    def advance(self, face, text, size):
        context = self._context
        context.select_font_face(*face)
        context.set_font_size(size)
        return context.text_extents(text).x_advance


class CairoBackend(Backend):
    def __init__(self, context, to_page, scale_mm=1.0):
        """`to_page` maps layout coordinates to page points (y down); `scale_mm` is the length of one
        layout unit on paper in millimetres, for line weights."""
        super().__init__()
        self.context = context
        self.to_page = to_page
        self.scale_mm = scale_mm
        self.metrics = _FontMetrics()
        self._clipped = False

    # --- plumbing ------------------------------------------------------------------------------

    def _point(self, vertex):
        x, y, _ = self.to_page.transform(vertex)
        return x, y

    def _stroke(self, properties):
        context = self.context
        context.set_source_rgba(*_rgba(properties.color))
        weight_mm = max(properties.lineweight or 0.0, THINNEST_MM)
        context.set_line_width(weight_mm * MM)
        context.set_line_cap(cairo.LINE_CAP_ROUND)
        context.set_line_join(cairo.LINE_JOIN_ROUND)
        context.stroke()

    def _fill(self, properties, even_odd=True):
        context = self.context
        context.set_source_rgba(*_rgba(properties.color))
        context.set_fill_rule(cairo.FILL_RULE_EVEN_ODD if even_odd else cairo.FILL_RULE_WINDING)
        context.fill()

    def _trace_path(self, path):
        context = self.context
        context.move_to(*self._point(path.start))
        for command in path.commands():
            kind = command.type
            if kind == Command.LINE_TO:
                context.line_to(*self._point(command.end))
            elif kind == Command.MOVE_TO:
                context.move_to(*self._point(command.end))
            elif kind == Command.CURVE4_TO:
                context.curve_to(
                    *self._point(command.ctrl1), *self._point(command.ctrl2), *self._point(command.end)
                )
            elif kind == Command.CURVE3_TO:
                # A quadratic segment as the equivalent cubic one.
                x0, y0 = context.get_current_point()
                cx, cy = self._point(command.ctrl)
                x3, y3 = self._point(command.end)
                context.curve_to(
                    x0 + 2.0 / 3.0 * (cx - x0),
                    y0 + 2.0 / 3.0 * (cy - y0),
                    x3 + 2.0 / 3.0 * (cx - x3),
                    y3 + 2.0 / 3.0 * (cy - y3),
                    x3,
                    y3,
                )

    # --- Backend -------------------------------------------------------------------------------

    def set_background(self, color):
        pass  # paper stays white

    def draw_point(self, pos, properties):
        x, y = self._point(pos)
        context = self.context
        context.arc(x, y, max(properties.lineweight or 0.0, THINNEST_MM) * MM / 2.0, 0, 2 * math.pi)
        self._fill(properties)

    def draw_line(self, start, end, properties):
        self.context.move_to(*self._point(start))
        self.context.line_to(*self._point(end))
        self._stroke(properties)

    def draw_solid_lines(self, lines, properties):
        drawn = False
        for start, end in lines:
            self.context.move_to(*self._point(start))
            self.context.line_to(*self._point(end))
            drawn = True
        if drawn:
            self._stroke(properties)

    def draw_path(self, path, properties):
        if len(path) == 0:
            return
        self._trace_path(path)
        self._stroke(properties)

    def draw_filled_paths(self, paths, holes, properties):
        traced = False
        for path in list(paths) + list(holes):
            if len(path):
                self._trace_path(path)
                self.context.close_path()
                traced = True
        if traced:
            self._fill(properties)

    def draw_filled_polygon(self, points, properties):
        points = list(points)
        if len(points) < 3:
            return
        self.context.move_to(*self._point(points[0]))
        for vertex in points[1:]:
            self.context.line_to(*self._point(vertex))
        self.context.close_path()
        self._fill(properties, even_odd=False)

    def draw_text(self, text, transform, properties, cap_height):
        if not text.strip() or cap_height <= 0:
            return
        face = self.metrics.face(properties.font)
        cap_ratio = self.metrics.ratios(face)[0]
        # Text space: baseline along x, up along y, one unit per layout unit; the font size makes the
        # capital height match.
        m = transform @ self.to_page
        context = self.context
        context.save()
        try:
            context.transform(cairo.Matrix(m[0, 0], m[0, 1], m[1, 0], m[1, 1], m[3, 0], m[3, 1]))
            context.scale(1.0, -1.0)
            context.select_font_face(*face)
            context.set_font_size(cap_height / cap_ratio)
            context.set_source_rgba(*_rgba(properties.color))
            context.move_to(0.0, 0.0)
            context.show_text(text)
        except cairo.Error:
            pass  # a degenerate text transform draws nothing
        finally:
            context.new_path()
            context.restore()

    def get_font_measurements(self, cap_height, font=None):
        cap, x_height, descender = self.metrics.ratios(self.metrics.face(font))
        factor = cap_height / cap
        return FontMeasurements(
            baseline=0.0, cap_height=cap_height, x_height=x_height * factor, descender_height=descender * factor
        )

    def get_text_line_width(self, text, cap_height, font=None):
        if not text.strip():
            return 0.0
        face = self.metrics.face(font)
        return self.metrics.advance(face, text, cap_height / self.metrics.ratios(face)[0])

    def set_clipping_path(self, path=None, scale=1.0):
        context = self.context
        if self._clipped:
            context.restore()
            self._clipped = False
        if path is not None and len(path):
            context.save()
            self._trace_path(path)
            context.close_path()
            context.clip()
            self._clipped = True
        return True

    def clear(self):
        pass

    def finalize(self):
        if self._clipped:
            self.context.restore()
            self._clipped = False
