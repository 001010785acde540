#include "project/PropertyDoc.h"

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

}  // namespace docvane
