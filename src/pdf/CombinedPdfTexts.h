#pragma once
// The log texts of the combined-PDF stage, byte for byte as the users know them.

namespace docvane::pdftext {

inline constexpr const char* kMergingLine = "Объединяю файлы в общий pdf: ";
inline constexpr const char* kCannotDeleteLine = "Не могу удалить общий pdf: ";
inline constexpr const char* kMissingPublishedLine = "Опубликованный файл отсутствует: ";
inline constexpr const char* kCannotAddOpening = "Не удалось добавить файл (";
inline constexpr const char* kRepairedLine = "Файл повреждён и восстановлен, проверьте его: ";
inline constexpr const char* kCannotAddLine = "Не удалось добавить файл: ";
inline constexpr const char* kSavingLine = "Сохраняю общий pdf: ";
inline constexpr const char* kCannotSaveLine = "Не могу сохранить общий pdf файл: ";
inline constexpr const char* kCannotSaveBare = "Не могу сохранить общий pdf файл";
inline constexpr const char* kTotalPagesLine = "Общее количество листов: ";
inline constexpr const char* kA4CountLine = "Количество форматов А4: ";
inline constexpr const char* kNumberingLine = "Нумерую общий pdf: ";
inline constexpr const char* kCountingLine = "Считаю количество форматов А4 в общем pdf:";
inline constexpr const char* kCannotNumberLine = "Не могу пронумеровать общий pdf файл: ";
inline constexpr const char* kCannotNumberBare = "Не могу пронумеровать общий pdf файл";
inline constexpr const char* kMenuLine = "Создаю меню в общем pdf: ";
inline constexpr const char* kMissingTargetLine = "В содержании ссылка на несуществующую страницу: ";
inline constexpr const char* kPageWord = " стр. ";
inline constexpr const char* kCannotMenuLine = "Не могу создать меню в общем pdf файле: ";
inline constexpr const char* kCannotMenuBare = "Не могу создать меню в общем pdf файле";

}  // namespace docvane::pdftext
