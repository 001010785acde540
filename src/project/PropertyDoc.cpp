#include "project/PropertyDoc.h"

#include <filesystem>
#include <system_error>
#include <type_traits>
#include <variant>

#include "app/ApplicationSettings.h"
#include "project/PropertyDocFields.h"

namespace docvane {

void PropertyDoc::TakeDefaultsFrom(const ApplicationSettings& s) {
    for (const PropertyDocField& f : PropertyDocFields()) {
        std::visit(
            [&](auto fieldOf, auto member) {
                if constexpr (!std::is_same_v<decltype(member), std::nullptr_t>) {
                    using Field = std::remove_reference_t<decltype(fieldOf(*this))>;
                    using Setting = std::remove_reference_t<decltype(s.*member)>;
                    if constexpr (std::is_same_v<Field, std::remove_const_t<Setting>>) {
                        fieldOf(*this) = s.*member;
                    }
                }
            },
            f.field, f.setting);
    }
}

std::string ChooseTempDir() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path system = fs::temp_directory_path(ec);
    if (ec) {
        system = "/tmp";
    }
    const fs::path base = system / "DV";
    if (!fs::exists(base, ec)) {
        return (base / "0").string();
    }
    std::size_t n = 0;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        ++n;
    }
    while (fs::exists(base / std::to_string(n), ec)) {
        ++n;
    }
    return (base / std::to_string(n)).string();
}

}  // namespace docvane
