#pragma once
// A server that answers every member with a value chosen at random from a fixed seed: any tag, odd
// counts, texts without the expected marks, malformed UTF-8, non-finite numbers, further garbage
// objects, or a failure. Counts stay small so that every walk over a collection ends quickly.
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "automation/AutomationObject.h"
#include "automation/AutomationValue.h"

namespace docvane::test {

class GarbageDispatch : public Dispatch, public std::enable_shared_from_this<GarbageDispatch> {
  public:
    explicit GarbageDispatch(std::shared_ptr<std::mt19937> random) : random_(std::move(random)) {}

    DispatchStatus GetIDsOfNames(const std::string& name, std::uint32_t, std::int32_t& dispid) override {
        names_.push_back(name);
        dispid = static_cast<std::int32_t>(names_.size() - 1);
        return Pick(20) == 0 ? kDispatchUnknownName : kDispatchOk;
    }

    DispatchStatus Invoke(std::int32_t dispid, std::uint32_t, InvokeKind, const DispatchParams&,
                          AutomationValue* result) override {
        if (Pick(12) == 0) {
            return kDispatchException;
        }
        if (result != nullptr) {
            // Mostly an answer of roughly the expected kind, so that the walk gets deep; now and then
            // anything at all.
            const std::string& name = names_.at(static_cast<std::size_t>(dispid));
            *result = Pick(4) == 0 ? Value(Pick(11)) : Value(Expected(name));
        }
        return kDispatchOk;
    }

  private:
    std::size_t Pick(std::size_t count) {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(*random_);
    }

    static std::size_t Expected(const std::string& name) {
        if (name == "Count") {
            return 1;
        }
        if (name == "Text" || name == "Name" || name == "Value") {
            return 2;
        }
        if (name == "Exists") {
            return 3;
        }
        if (name == "Information" || name == "PageHeight" || name == "Width" || name == "Height") {
            return 5;
        }
        return 10;
    }

    AutomationValue Value(std::size_t kind) {
        static const char* const texts[] = {"",
                                            "\a",
                                            "\r\a",
                                            "Обозначение Наименование Примечание",
                                            "x\r\a12\r\a\r\a",
                                            "\xD0",
                                            "\xD0\x9F\xD1",
                                            "Шифр",
                                            "99999999999999999999",
                                            "sub ("};
        static const std::int32_t ints[] = {
            -7, -1, 0, 1, 2, 3, 5, 6, std::numeric_limits<std::int32_t>::min()};
        static const double numbers[] = {std::numeric_limits<double>::quiet_NaN(),
                                         std::numeric_limits<double>::infinity(),
                                         -std::numeric_limits<double>::infinity(),
                                         1e300,
                                         -1e300,
                                         3e9,
                                         841.9};
        switch (kind) {
            case 0:
                return AutomationValue();
            case 1:
                return AutomationValue::Int(ints[Pick(std::size(ints))]);
            case 2:
                return AutomationValue::Text(texts[Pick(std::size(texts))]);
            case 3:
                return AutomationValue::Bool(Pick(2) == 0);
            case 4:
                return AutomationValue::Omitted();
            case 5:
                return AutomationValue::Single(static_cast<float>(numbers[Pick(std::size(numbers))]));
            case 6:
                return AutomationValue::Double(numbers[Pick(std::size(numbers))]);
            default:
                return AutomationValue::Object(AutomationObject(std::make_shared<GarbageDispatch>(random_)));
        }
    }

    std::shared_ptr<std::mt19937> random_;
    std::vector<std::string> names_;
};

}  // namespace docvane::test
