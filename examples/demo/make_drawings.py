#!/usr/bin/python3
"""Makes the demo project's drawings: a floor plan on two sheets that references a site drawing, and
a one-sheet details drawing. Run from anywhere; the files land beside this script."""

import math
import os

import ezdxf

HERE = os.path.dirname(os.path.abspath(__file__))
SITE = "Подоснова.dxf"
PLAN = "05 План и фасад.dxf"
DETAILS = "06 Узлы.dxf"


def title_block(layout, width, sheet, title):
    """A frame with the usual title block in the lower right corner, sizes in millimetres."""
    layout.add_lwpolyline([(20, 5), (width - 5, 5), (width - 5, 292), (20, 292)], close=True,
                          dxfattribs={"lineweight": 50})
    x, y = width - 190, 5
    layout.add_lwpolyline([(x, y), (x + 185, y), (x + 185, y + 55), (x, y + 55)], close=True,
                          dxfattribs={"lineweight": 50})
    for row in (15, 30, 40):
        layout.add_line((x, y + row), (x + 185, y + row))
    layout.add_line((x + 135, y), (x + 135, y + 40))
    layout.add_text(title, dxfattribs={"height": 5}).set_placement((x + 5, y + 45))
    layout.add_text("Жилой дом", dxfattribs={"height": 3.5}).set_placement((x + 5, y + 33))
    layout.add_text(f"Лист {sheet}", dxfattribs={"height": 3.5}).set_placement((x + 140, y + 20))
    layout.add_text("Стадия П", dxfattribs={"height": 3.5}).set_placement((x + 140, y + 5))


def make_site(path):
    doc = ezdxf.new("R2018", setup=True)
    doc.layers.add("Подоснова", color=8)
    msp = doc.modelspace()
    attribs = {"layer": "Подоснова"}
    msp.add_lwpolyline([(-5000, -4000), (25000, -4000), (25000, 16000), (-5000, 16000)], close=True,
                       dxfattribs=attribs)
    tree = doc.blocks.new("Дерево")
    tree.add_circle((0, 0), 600, dxfattribs={"color": 3})
    tree.add_line((-400, 0), (400, 0), dxfattribs={"color": 3})
    for i in range(6):
        msp.add_blockref("Дерево", (-3000 + i * 4500, 14000), dxfattribs=attribs)
    msp.add_text("Граница участка", dxfattribs={"height": 500, "layer": "Подоснова"}).set_placement(
        (-4500, -3500))
    doc.saveas(path)


def make_plan(path):
    doc = ezdxf.new("R2018", setup=True)
    doc.layers.add("Стены", color=7, lineweight=50)
    doc.layers.add("Оси", color=1, linetype="CENTER")
    doc.layers.add("Размеры", color=4)
    msp = doc.modelspace()
    walls = {"layer": "Стены"}
    msp.add_lwpolyline([(0, 0), (20000, 0), (20000, 12000), (0, 12000)], close=True, dxfattribs=walls)
    msp.add_lwpolyline([(250, 250), (19750, 250), (19750, 11750), (250, 11750)], close=True, dxfattribs=walls)
    msp.add_line((8000, 250), (8000, 11750), dxfattribs=walls)
    msp.add_line((14000, 250), (14000, 11750), dxfattribs=walls)
    for i, x in enumerate((0, 8000, 14000, 20000)):
        msp.add_line((x, -1500), (x, 13500), dxfattribs={"layer": "Оси"})
        msp.add_circle((x, -2100), 600, dxfattribs={"layer": "Оси"})
        msp.add_text(str(i + 1), dxfattribs={"height": 500, "layer": "Оси"}).set_placement(
            (x, -2100), align=ezdxf.enums.TextEntityAlignment.MIDDLE_CENTER)
    msp.add_arc((8000, 6000), 900, 0, 90, dxfattribs=walls)
    msp.add_ellipse((4000, 6000), major_axis=(1500, 0), ratio=0.5)
    msp.add_spline([(15000, 2000), (16000, 4000), (18000, 3000), (19000, 5000)])
    hatch = msp.add_hatch(color=8)
    hatch.paths.add_polyline_path([(0, 0), (20000, 0), (20000, 250), (0, 250)])
    for room, (x, y) in (("Гостиная", (2000, 9000)), ("Кухня", (9500, 9000)), ("Спальня", (15500, 9000))):
        msp.add_text(room, dxfattribs={"height": 400}).set_placement((x, y))
    msp.add_mtext("Стены — кирпич 250 мм\\PПерекрытия — ж/б плита", dxfattribs={"char_height": 300}).set_location(
        (500, 14500))
    dim = msp.add_linear_dim(base=(0, -3500), p1=(0, 0), p2=(20000, 0), dxfattribs={"layer": "Размеры"})
    dim.render()
    # The site drawing is attached as a reference beside this drawing.
    doc.add_xref_def(SITE, "Подоснова")
    msp.add_blockref("Подоснова", (0, 0))

    plan = doc.layouts.get("Layout1")
    plan.page_setup(size=(420, 297), margins=(0, 0, 0, 0))
    plan.add_viewport(center=(200, 170), size=(340, 230), view_center_point=(10000, 6000), view_height=21000)
    title_block(plan, 420, 1, "План 1 этажа")
    doc.layouts.rename("Layout1", "План")

    facade = doc.layouts.new("Фасад")
    facade.page_setup(size=(420, 297), margins=(0, 0, 0, 0))
    # The facade is drawn on the sheet itself, in millimetres of paper (1:100).
    facade.add_lwpolyline([(60, 90), (260, 90), (260, 180), (60, 180)], close=True)
    facade.add_lwpolyline([(50, 180), (160, 240), (270, 180)])
    for i in range(5):
        x = 75 + i * 38
        facade.add_lwpolyline([(x, 120), (x + 20, 120), (x + 20, 150), (x, 150)], close=True)
    facade.add_text("Фасад 1-4", dxfattribs={"height": 6}).set_placement((120, 255))
    title_block(facade, 420, 2, "Фасад 1-4")
    doc.saveas(path)


def make_details(path):
    doc = ezdxf.new("R2013", setup=True)
    msp = doc.modelspace()
    bolt = doc.blocks.new("Болт")
    bolt.add_circle((0, 0), 10)
    bolt.add_lwpolyline([(10 * math.cos(a), 10 * math.sin(a)) for a in
                         (i * math.pi / 3 for i in range(6))], close=True)
    msp.add_lwpolyline([(0, 0), (300, 0), (300, 200), (0, 200)], close=True)
    for x in (50, 150, 250):
        msp.add_blockref("Болт", (x, 100))
    msp.add_text("Узел 1. Крепление пластины", dxfattribs={"height": 12}).set_placement((0, 230))
    msp.add_aligned_dim(p1=(0, 200), p2=(300, 200), distance=30).render()
    sheet = doc.layouts.get("Layout1")
    sheet.page_setup(size=(297, 210), margins=(0, 0, 0, 0))
    sheet.add_viewport(center=(140, 115), size=(250, 160), view_center_point=(150, 120), view_height=320)
    sheet.add_text("Узлы", dxfattribs={"height": 7}).set_placement((20, 190))
    doc.layouts.rename("Layout1", "Узлы")
    doc.saveas(path)


def main():
    make_site(os.path.join(HERE, SITE))
    make_plan(os.path.join(HERE, PLAN))
    make_details(os.path.join(HERE, DETAILS))


if __name__ == "__main__":
    main()
