#include "desktop/SettingsPages.h"

namespace docvane {
namespace {

using S = ApplicationSettings;

SettingProperty Text(const char* label, TextSetting setting, const char* description) {
    return {label, SettingKind::Text, setting, description, {}};
}
SettingProperty Flag(const char* label, FlagSetting setting, const char* description) {
    return {label, SettingKind::Flag, setting, description, {}};
}
SettingProperty Number(const char* label, NumberSetting setting, const char* description) {
    return {label, SettingKind::Number, setting, description, {}};
}

std::vector<SettingsPage> BuildPages() {
    SettingsPage general{
        "Общее",
        {
            {"Директории",
             {Text(
                  "Директория ред. формата", [](S& s) -> std::string& { return s.editDirName; },
                  "Наименование публикуемой директории для редактируемого формата по умолчанию"),
              Text(
                  "Директория pdf", [](S& s) -> std::string& { return s.pdfDirName; },
                  "Наименование публикуемой директории для нередактируемого формата по умолчанию"),
              Flag(
                  "Очищать папки", [](S& s) -> bool& { return s.clearExitDir; },
                  "Очищать директории с редактируемым и нередактируемым форматом от лишних и временных "
                  "файлов")}},
            {"Объединенный PDF",
             {Flag(
                  "Объединить PDF", [](S& s) -> bool& { return s.isCombine; },
                  "Объединять опубликованные файлы PDF в общий файл"),
              Flag(
                  "Меню PDF", [](S& s) -> bool& { return s.hasMenu; }, "Добавлять меню в общий PDF файл"),
              Flag(
                  "Открыть PDF", [](S& s) -> bool& { return s.openAfterPublic; },
                  "Открыть общий PDF файл после публикации"),
              Flag(
                  "PDF/A", [](S& s) -> bool& { return s.pdfA; },
                  "Общий PDF файл в формате PDF/A-1b для новых проектов")}},
            {"Нумеровать PDF",
             {Flag(
                  "Нумеровать PDF", [](S& s) -> bool& { return s.isNumbering; }, "Нумеровать общий PDF файл"),
              Number(
                  "Нумеровать с", [](S& s) -> int& { return s.startPage; },
                  "Номер первого нумерованного листа"),
              Number(
                  "Номер первого листа", [](S& s) -> int& { return s.pageFrom; },
                  "Номер листа, с которого производится нумерация"),
              Number(
                  "Отступ по X (мм)", [](S& s) -> int& { return s.posX; },
                  "Отступ размещения номера листа по X (от верхнего правого угла влево)"),
              Number(
                  "Отступ по Y (мм)", [](S& s) -> int& { return s.posY; },
                  "Отступ размещения номера листа по Y (от верхнего правого угла вниз)"),
              SettingProperty{"Шрифт", SettingKind::Font, std::monostate{}, "", {}}}},
            {"Публикация",
             {Number(
                 "Параллельных заданий", [](S& s) -> int& { return s.parallelJobs; },
                 "Сколько файлов публикуется одновременно; 0 - по числу ядер процессора с учетом объема "
                 "памяти")}},
        }};
    SettingsPage acad{
        "AutoCAD",
        {
            {"Директории",
             {SettingProperty{"Путь к exe",
                              SettingKind::FilePath,
                              [](S& s) -> std::string& { return s.exePath; },
                              "Путь к исполняемому файлу (exe) AutoCAD. При неверном или отсутствующем пути "
                              "програма попытается вычислить правельный путь самостоятельно. Сервер Word "
                              "(\"Word.Application\") задается только в реестре классов: строкой "
                              "Word.Application=/полный/путь/к/серверу в файле classes.conf папки настроек "
                              "(~/.config/Ostrel/Docvane/).",
                              {}},
              Flag(
                  "Внедрять внешние ссылки", [](S& s) -> bool& { return s.autocad.insertXrefs; },
                  "Внедрять внешние ссылки для публикуемых редактируемых файлов"),
              Text(
                  "Директория внешних ссылок", [](S& s) -> std::string& { return s.autocad.xrefDir; },
                  "Директория для внешних ссылок в папке публикуемых редактируемых файлов")}},
            {"Общее",
             {SettingProperty{"Формат файла",
                              SettingKind::Choice,
                              [](S& s) -> std::string& { return s.autocad.fileFormat; },
                              "Формат сохранения редактируемых файлов в папке выход",
                              {"2000", "2004", "2007", "2010", "2013", "2018"}},
              Flag(
                  "Удалять аннотации", [](S& s) -> bool& { return s.autocad.clearComments; },
                  "Удалять все комментарии и аннотации из объединенного PDF"),
              Flag(
                  "Доверять папке проекта", [](S& s) -> bool& { return s.trustProjectFolder; },
                  "Разрешить Lisp скрипту проекта открывать и записывать файлы вне папки проекта и папок "
                  "публикации")}},
        }};
    SettingsPage word{
        "Word",
        {
            {"Общее",
             {Flag(
                  "Заблокироавть для примечаний", [](S& s) -> bool& { return s.lockComments; },
                  "Заблокировать опубликованный документ (в ред. формате) для примечаний"),
              Flag(
                  "Только чтение", [](S& s) -> bool& { return s.readOnlyRecommended; },
                  "При открытии документа в Microsoft Word предлагается состояние \"только чтение\""),
              Flag(
                  "Сохранение шрифтов TrueType", [](S& s) -> bool& { return s.embedTrueTypeFonts; },
                  "Сохранение шрифтов TrueType вместе с документом"),
              Flag(
                  "Сохранить оригинальный формат изображений",
                  [](S& s) -> bool& { return s.saveNativePictureFormat; },
                  "Если графика была импортирована с другой платформы (например, Macintosh), можно сохранить "
                  "только версию импортированной графики Microsoft Windows"),
              Flag(
                  "Обновлять поля", [](S& s) -> bool& { return s.refreshFields; },
                  "Принудительное обновление всех полей в файле"),
              Flag(
                  "Режим разработчика", [](S& s) -> bool& { return s.toggleFormsDesign; },
                  "Переводит в режим разработки формы")}},
        }};
    return {general, acad, word};
}

}  // namespace

const std::vector<SettingsPage>& SettingsPages() {
    static const std::vector<SettingsPage> pages = BuildPages();
    return pages;
}

std::string FontChoiceText(const std::string& row, const std::string& english) {
    static const struct {
        const char* row;
        const char* english;
        const char* russian;
    } texts[] = {
        {"Style", "Normal", "Обычный"},
        {"Style", "Slant", "Наклонный"},
        {"Style", "Italic", "Курсив"},
        {"Weight", "Thin", "Тонкий"},
        {"Weight", "ExtraLight", "Сверхсветлый"},
        {"Weight", "Light", "Светлый"},
        {"Weight", "Normal", "Обычный"},
        {"Weight", "Medium", "Средний"},
        {"Weight", "SemiBold", "Полужирный"},
        {"Weight", "Bold", "Жирный"},
        {"Weight", "ExtraBold", "Сверхжирный"},
        {"Weight", "Heavy", "Тяжёлый"},
        {"Weight", "ExtraHeavy", "Сверхтяжёлый"},
        {"Family", "Default", "По умолчанию"},
        {"Family", "Decorative", "Декоративный"},
        {"Family", "Roman", "С засечками"},
        {"Family", "Script", "Рукописный"},
        {"Family", "Swiss", "Без засечек"},
        {"Family", "Modern", "Моноширинный"},
        {"Family", "Teletype", "Телетайп"},
        {"Family", "Unknown", "Неизвестный"},
    };
    for (const auto& text : texts) {
        if (row == text.row && english == text.english) {
            return text.russian;
        }
    }
    return {};
}

}  // namespace docvane
