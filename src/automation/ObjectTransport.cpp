#include "automation/ObjectTransport.h"

#include <atomic>

namespace docvane {

namespace {
std::atomic<ObjectTransport*> installedTransport{nullptr};
}

ObjectTransport* GetObjectTransport() {
    return installedTransport.load();
}

void SetObjectTransport(ObjectTransport* transport) {
    installedTransport.store(transport);
}

}  // namespace docvane
