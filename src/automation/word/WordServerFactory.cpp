#include "automation/word/WordServerFactory.h"

#include "automation/ClassRegistry.h"

#include <exception>
#include <mutex>
#include <utility>

namespace docvane {

namespace {
struct FactorySlot {
    std::mutex mutex;
    WordServerFactory factory;
};

FactorySlot& Slot() {
    static FactorySlot slot;
    return slot;
}
}  // namespace

void SetWordServerFactory(WordServerFactory factory) {
    FactorySlot& slot = Slot();
    std::lock_guard<std::mutex> lock(slot.mutex);
    slot.factory = std::move(factory);
}

AutomationObject CreateWordServer(const std::string& progId) {
    WordServerFactory factory;
    {
        FactorySlot& slot = Slot();
        std::lock_guard<std::mutex> lock(slot.mutex);
        factory = slot.factory;
    }
    if (!factory) {
        // No replacement installed: the class registry's server for the program id.
        return CreateLocalServer(progId);
    }
    try {
        return factory(progId);
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace docvane
