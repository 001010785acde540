"""Writes small word-processor documents (.docx, Office Open XML) by hand.

Used by the demo generator, the word-server tests and the benchmark: Debian carries no library that
writes this format, and the few parts a document needs are plain XML in a zip file.
"""
import itertools
import zipfile
from xml.sax.saxutils import escape

W_NS = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"
R_NS = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
V_NS = "urn:schemas-microsoft-com:vml"
PROPS_NS = "http://schemas.openxmlformats.org/officeDocument/2006/custom-properties"
VT_NS = "http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes"
FMTID = "{D5CDD505-2E9C-101B-9397-08002B2CF9AE}"
_shape_ids = itertools.count(1)

CONTENTS_HEADER = ("Обозначение", "Наименование", "Примечание")


def text_run(text):
    return '<w:r><w:t xml:space="preserve">%s</w:t></w:r>' % escape(text)


def property_field(name, shown):
    """A field showing the custom property `name`, with `shown` as its last computed result."""
    return ('<w:r><w:fldChar w:fldCharType="begin"/></w:r>'
            '<w:r><w:instrText xml:space="preserve"> DOCPROPERTY "%s" \\* MERGEFORMAT </w:instrText></w:r>'
            '<w:r><w:fldChar w:fldCharType="separate"/></w:r>%s'
            '<w:r><w:fldChar w:fldCharType="end"/></w:r>') % (escape(name), text_run(shown))


def paragraph(*runs):
    return "<w:p>%s</w:p>" % "".join(runs)


def page_break():
    return '<w:p><w:r><w:br w:type="page"/></w:r></w:p>'


def text_box(*paragraphs):
    """A floating text box (a shape with a text frame) holding the given paragraphs."""
    return ('<w:p><w:r><w:pict><v:shape id="box%d" type="#_x0000_t202" '
            'style="position:absolute;margin-left:0;margin-top:0;width:220pt;height:48pt;z-index:1">'
            '<v:textbox><w:txbxContent>%s</w:txbxContent></v:textbox></v:shape></w:pict></w:r></w:p>'
            ) % (next(_shape_ids), "".join(paragraphs))


def table(rows, widths_twips):
    """A table with fixed column widths (twentieths of a point); rows are lists of cell texts."""
    grid = "".join('<w:gridCol w:w="%d"/>' % w for w in widths_twips)
    body = []
    for cells in rows:
        tcs = "".join('<w:tc><w:tcPr><w:tcW w:w="%d" w:type="dxa"/></w:tcPr>%s</w:tc>'
                      % (w, paragraph(text_run(text))) for w, text in zip(widths_twips, cells))
        body.append("<w:tr>%s</w:tr>" % tcs)
    borders = "".join('<w:%s w:val="single" w:sz="4" w:space="0" w:color="000000"/>' % side
                      for side in ("top", "left", "bottom", "right", "insideH", "insideV"))
    return ('<w:tbl><w:tblPr><w:tblW w:w="%d" w:type="dxa"/><w:tblLayout w:type="fixed"/>'
            '<w:tblBorders>%s</w:tblBorders></w:tblPr><w:tblGrid>%s</w:tblGrid>%s</w:tbl>'
            ) % (sum(widths_twips), borders, grid, "".join(body))


def contents_table(entries):
    """A contents table: the three header words, then (designation, name, page text) rows."""
    return table([list(CONTENTS_HEADER)] + [list(e) for e in entries], [2400, 4800, 2400])


def _custom_properties(properties):
    items = "".join('<property fmtid="%s" pid="%d" name="%s"><vt:lpwstr>%s</vt:lpwstr></property>'
                    % (FMTID, pid, escape(name, {'"': "&quot;"}), escape(value))
                    for pid, (name, value) in enumerate(properties.items(), start=2))
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<Properties xmlns="%s" xmlns:vt="%s">%s</Properties>') % (PROPS_NS, VT_NS, items)


def _part(root, body):
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<w:%s xmlns:w="%s" xmlns:r="%s" xmlns:v="%s">%s</w:%s>') % (root, W_NS, R_NS, V_NS, body, root)


def write_docx(path, body, properties=None, header=None, footer=None):
    """Writes a document: body is joined block XML (paragraph(), table(), ...); header and footer
    are block XML too; properties maps custom property names to text values."""
    properties = properties or {}
    rels = ['<Relationship Id="rIdStyles" Type="%s/styles" Target="styles.xml"/>' % R_NS]
    refs = ""
    overrides = [("/word/document.xml",
                  "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"),
                 ("/word/styles.xml", "application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"),
                 ("/docProps/custom.xml", "application/vnd.openxmlformats-officedocument.custom-properties+xml")]
    parts = {}
    for kind, xml in (("header", header), ("footer", footer)):
        if xml is None:
            continue
        rels.append('<Relationship Id="rId%s" Type="%s/%s" Target="%s1.xml"/>' % (kind, R_NS, kind, kind))
        refs += '<w:%sReference w:type="default" r:id="rId%s"/>' % (kind, kind)
        overrides.append(("/word/%s1.xml" % kind,
                          "application/vnd.openxmlformats-officedocument.wordprocessingml.%s+xml" % kind))
        parts["word/%s1.xml" % kind] = _part("hdr" if kind == "header" else "ftr", xml)
    section = ('<w:sectPr>%s<w:pgSz w:w="11906" w:h="16838"/>'
               '<w:pgMar w:top="1134" w:right="850" w:bottom="1134" w:left="1701" w:header="567" '
               'w:footer="567" w:gutter="0"/></w:sectPr>') % refs
    parts["word/document.xml"] = _part("document", "<w:body>%s%s</w:body>" % (body, section))
    parts["word/styles.xml"] = _part(
        "styles", '<w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii="Liberation Serif" '
        'w:hAnsi="Liberation Serif" w:cs="Liberation Serif"/><w:sz w:val="24"/></w:rPr></w:rPrDefault>'
        '</w:docDefaults>')
    parts["word/_rels/document.xml.rels"] = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?><Relationships xmlns='
        '"http://schemas.openxmlformats.org/package/2006/relationships">%s</Relationships>' % "".join(rels))
    parts["docProps/custom.xml"] = _custom_properties(properties)
    parts["_rels/.rels"] = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?><Relationships xmlns='
        '"http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="%s/officeDocument" Target="word/document.xml"/>'
        '<Relationship Id="rId2" Type="%s/custom-properties" Target="docProps/custom.xml"/>'
        '</Relationships>') % (R_NS, R_NS)
    parts["[Content_Types].xml"] = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?><Types xmlns='
        '"http://schemas.openxmlformats.org/package/2006/content-types">'
        '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
        '<Default Extension="xml" ContentType="application/xml"/>%s</Types>'
        % "".join('<Override PartName="%s" ContentType="%s"/>' % o for o in overrides))
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("[Content_Types].xml", parts.pop("[Content_Types].xml"))
        for name, xml in parts.items():
            archive.writestr(name, xml)
