#include "support/PdfFixtures.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <podofo/podofo.h>

#include <stdexcept>

namespace docvane::test {

namespace {

void AddOutline(cairo_surface_t* surface, int parent, const std::vector<FixtureOutline>& items) {
    for (const FixtureOutline& item : items) {
        const std::string link = "page=" + std::to_string(item.page + 1);
        const int id = cairo_pdf_surface_add_outline(surface, parent, item.title.c_str(), link.c_str(),
                                                     static_cast<cairo_pdf_outline_flags_t>(0));
        AddOutline(surface, id, item.children);
    }
}

}  // namespace

void WriteFixturePdf(const std::string& path, const std::vector<FixturePage>& pages,
                     const std::vector<FixtureOutline>& outline) {
    if (pages.empty()) {
        throw std::invalid_argument("a fixture needs pages");
    }
    cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), pages[0].width, pages[0].height);
    cairo_t* cr = cairo_create(surface);
    for (const FixturePage& page : pages) {
        cairo_pdf_surface_set_size(surface, page.width, page.height);
        cairo_set_source_rgb(cr, 0.2, 0.4, 0.8);
        cairo_rectangle(cr, 40, 40, page.width / 3, 30);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_set_line_width(cr, 1.5);
        cairo_move_to(cr, 40, page.height - 60);
        cairo_line_to(cr, page.width - 40, page.height - 60);
        cairo_stroke(cr);
        cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, 14);
        cairo_move_to(cr, page.width / 4, page.height / 2);
        cairo_show_text(cr, page.text.c_str());
        cairo_show_page(cr);
    }
    AddOutline(surface, CAIRO_PDF_OUTLINE_ROOT, outline);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    const cairo_status_t status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error("cairo could not write " + path);
    }
}

void WriteFixturePdf(const std::string& path, int pageCount, const std::string& prefix) {
    std::vector<FixturePage> pages(static_cast<std::size_t>(pageCount));
    for (int i = 0; i < pageCount; ++i) {
        pages[static_cast<std::size_t>(i)].text = prefix + std::to_string(i + 1);
    }
    WriteFixturePdf(path, pages);
}

void EditPdf(const std::string& path, const std::function<void(PoDoFo::PdfMemDocument&)>& edit) {
    PoDoFo::PdfError::EnableLogging(false);
    PoDoFo::PdfMemDocument document;
    document.Load(path.c_str());
    edit(document);
    const std::string temporary = path + ".edit";
    document.Write(temporary.c_str());
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        throw std::runtime_error("could not replace " + path);
    }
}

}  // namespace docvane::test
