// Generates the ready PDFs of the demo project (each with an outline of its own).
// Build and run from examples/demo:  g++ -std=c++20 generator/make_demo_pdfs.cpp $(pkg-config --cflags --libs cairo) -o /tmp/mk && /tmp/mk
#include <cairo-pdf.h>
#include <cairo.h>

#include <string>
#include <vector>

namespace {
constexpr double kMm = 72.0 / 25.4;

struct Page {
    double widthMm;
    double heightMm;
    std::string heading;
    std::vector<std::string> lines;
    int outlineLevel;  // 0: none, 1: top-level item, 2: child of the previous top-level item
};

void Write(const std::string& file, const std::vector<Page>& pages) {
    cairo_surface_t* surface = cairo_pdf_surface_create(file.c_str(), pages[0].widthMm * kMm, pages[0].heightMm * kMm);
    cairo_t* cr = cairo_create(surface);
    int parent = CAIRO_PDF_OUTLINE_ROOT;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const Page& page = pages[i];
        cairo_pdf_surface_set_size(surface, page.widthMm * kMm, page.heightMm * kMm);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_set_line_width(cr, 1.0);
        cairo_rectangle(cr, 20 * kMm, 5 * kMm, (page.widthMm - 25) * kMm, (page.heightMm - 10) * kMm);
        cairo_stroke(cr);
        cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        cairo_set_font_size(cr, 16);
        cairo_move_to(cr, 30 * kMm, 30 * kMm);
        cairo_show_text(cr, page.heading.c_str());
        cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, 11);
        double y = 45;
        for (const auto& line : page.lines) {
            cairo_move_to(cr, 30 * kMm, y * kMm);
            cairo_show_text(cr, line.c_str());
            y += 7;
        }
        const std::string dest = "page=" + std::to_string(i + 1);
        if (page.outlineLevel == 1) {
            parent = cairo_pdf_surface_add_outline(surface, CAIRO_PDF_OUTLINE_ROOT, page.heading.c_str(), dest.c_str(),
                                                   CAIRO_PDF_OUTLINE_FLAG_OPEN);
        } else if (page.outlineLevel == 2) {
            cairo_pdf_surface_add_outline(surface, parent, page.heading.c_str(), dest.c_str(),
                                          static_cast<cairo_pdf_outline_flags_t>(0));
        }
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
}
}  // namespace

int main() {
    Write("01 Титульный лист.pdf", {{210, 297, "Титульный лист", {"Проект: Жилой дом", "Стадия: Р"}, 0}});
    Write("02 Пояснительная записка.pdf",
          {{210, 297, "1. Общие данные", {"Состав проекта", "Исходные данные"}, 1},
           {210, 297, "1.1 Исходные данные", {"Задание на проектирование"}, 2},
           {210, 297, "2. Конструктивные решения", {"Фундаменты", "Стены"}, 1}});
    Write("03 План этажа.pdf", {{420, 297, "План 1-го этажа", {"Масштаб 1:100"}, 1}});
    Write("04 Спецификация.pdf", {{210, 297, "Спецификация", {"Поз. 1 Блок", "Поз. 2 Плита"}, 1},
                                 {297, 210, "Спецификация (продолжение)", {"Поз. 3 Перемычка"}, 2}});
    return 0;
}
