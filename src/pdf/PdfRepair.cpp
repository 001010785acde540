#include "pdf/PdfRepair.h"

#include <dlfcn.h>
#include <qpdf/qpdf-c.h>

#include <charconv>
#include <cmath>
#include <memory>
#include <mutex>

namespace docvane {

namespace {

// qpdf is loaded when the first file needs repair: most runs never do, and loading it with the
// crypto libraries it brings cost every start of the program several milliseconds.
#define DOCVANE_QPDF_FUNCTIONS(F)             \
    F(qpdf_init)                              \
    F(qpdf_cleanup)                           \
    F(qpdf_silence_errors)                    \
    F(qpdf_get_error)                         \
    F(qpdf_get_error_full_text)               \
    F(qpdf_set_suppress_warnings)             \
    F(qpdf_set_attempt_recovery)              \
    F(qpdf_read_memory)                       \
    F(qpdf_push_inherited_attributes_to_page) \
    F(qpdf_get_num_pages)                     \
    F(qpdf_get_page_n)                        \
    F(qpdf_oh_get_key)                        \
    F(qpdf_oh_is_array)                       \
    F(qpdf_oh_is_string)                      \
    F(qpdf_oh_get_array_n_items)              \
    F(qpdf_oh_get_array_item)                 \
    F(qpdf_oh_get_string_value)               \
    F(qpdf_oh_new_real_from_double)           \
    F(qpdf_oh_set_array_item)                 \
    F(qpdf_init_write_memory)                 \
    F(qpdf_set_preserve_encryption)           \
    F(qpdf_set_object_stream_mode)            \
    F(qpdf_set_suppress_original_object_IDs)  \
    F(qpdf_write)                             \
    F(qpdf_get_buffer_length)                 \
    F(qpdf_get_buffer)

struct Qpdf {
#define DOCVANE_QPDF_MEMBER(name) decltype(&::name) name = nullptr;
    DOCVANE_QPDF_FUNCTIONS(DOCVANE_QPDF_MEMBER)
#undef DOCVANE_QPDF_MEMBER
};

// The library's functions, or null with the reason when it cannot be loaded.
const Qpdf* LoadQpdf(std::string& reason) {
    static std::once_flag once;
    static Qpdf api;
    static bool loaded = false;
    static std::string failure;
    std::call_once(once, [] {
        // The handle stays open for the rest of the process.
        void* library = dlopen(DOCVANE_QPDF_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            const char* error = dlerror();
            failure = error != nullptr ? error : DOCVANE_QPDF_LIBRARY;
            return;
        }
#define DOCVANE_QPDF_LOAD(name)                                                 \
    api.name = reinterpret_cast<decltype(&::name)>(dlsym(library, #name));      \
    if (api.name == nullptr) {                                                  \
        failure = std::string(DOCVANE_QPDF_LIBRARY) + ": " #name " is missing"; \
        return;                                                                 \
    }
        DOCVANE_QPDF_FUNCTIONS(DOCVANE_QPDF_LOAD)
#undef DOCVANE_QPDF_LOAD
        loaded = true;
    });
    reason = failure;
    return loaded ? &api : nullptr;
}

// One qpdf session, cleaned up however the repair ends.
class Session {
  public:
    explicit Session(const Qpdf& api) : api_(api), data_(api.qpdf_init()) {
        // Errors are read from the return codes, never printed.
        api_.qpdf_silence_errors(data_);
    }
    ~Session() { api_.qpdf_cleanup(&data_); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    qpdf_data Data() const { return data_; }
    // The text of the last error, for the reason of a failed repair.
    std::string Error() const {
        const qpdf_error error = api_.qpdf_get_error(data_);
        const char* text = error != nullptr ? api_.qpdf_get_error_full_text(data_, error) : nullptr;
        return text != nullptr && *text != '\0' ? text : "qpdf";
    }

  private:
    const Qpdf& api_;
    qpdf_data data_;
};

// A number qpdf could not read as one (a real in scientific notation becomes a string): its value.
bool NumberText(const std::string& text, double& value) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') {
        ++begin;
    }
    const auto [stop, error] = std::from_chars(begin, end, value);
    return begin != end && error == std::errc() && stop == end && std::isfinite(value);
}

// Page boxes hold numbers only; a box entry that is number text becomes that number again.
void MendPageBoxes(const Qpdf& api, qpdf_data pdf, qpdf_oh page) {
    for (const char* key : {"/MediaBox", "/CropBox", "/BleedBox", "/TrimBox", "/ArtBox"}) {
        const qpdf_oh box = api.qpdf_oh_get_key(pdf, page, key);
        if (!api.qpdf_oh_is_array(pdf, box)) {
            continue;
        }
        const int count = api.qpdf_oh_get_array_n_items(pdf, box);
        for (int i = 0; i < count; ++i) {
            const qpdf_oh item = api.qpdf_oh_get_array_item(pdf, box, i);
            double value = 0;
            if (api.qpdf_oh_is_string(pdf, item)) {
                const char* text = api.qpdf_oh_get_string_value(pdf, item);
                if (text != nullptr && NumberText(text, value)) {
                    api.qpdf_oh_set_array_item(pdf, box, i, api.qpdf_oh_new_real_from_double(pdf, value, 4));
                }
            }
        }
    }
}

bool Fail(std::string* reason, const std::string& text) {
    if (reason != nullptr) {
        *reason = text;
    }
    return false;
}

}  // namespace

bool RepairPdf(const std::string& bytes, std::string& repaired, std::string* reason) {
    std::string unavailable;
    const Qpdf* api = LoadQpdf(unavailable);
    if (api == nullptr) {
        return Fail(reason, unavailable);
    }
    const Session session(*api);
    const qpdf_data pdf = session.Data();
    api->qpdf_set_suppress_warnings(pdf, QPDF_TRUE);
    api->qpdf_set_attempt_recovery(pdf, QPDF_TRUE);
    if (api->qpdf_read_memory(pdf, "input", bytes.data(), bytes.size(), nullptr) & QPDF_ERRORS) {
        return Fail(reason, session.Error());
    }
    // Walking the page tree makes direct page dictionaries indirect; pushing inherited attributes
    // lets each page be mended on its own.
    if (api->qpdf_push_inherited_attributes_to_page(pdf) & QPDF_ERRORS) {
        return Fail(reason, session.Error());
    }
    const int pages = api->qpdf_get_num_pages(pdf);
    if (pages < 0) {
        return Fail(reason, session.Error());
    }
    for (int i = 0; i < pages; ++i) {
        MendPageBoxes(*api, pdf, api->qpdf_get_page_n(pdf, static_cast<std::size_t>(i)));
    }
    if (api->qpdf_init_write_memory(pdf) & QPDF_ERRORS) {
        return Fail(reason, session.Error());
    }
    api->qpdf_set_preserve_encryption(pdf, QPDF_FALSE);
    api->qpdf_set_object_stream_mode(pdf, qpdf_o_disable);
    api->qpdf_set_suppress_original_object_IDs(pdf, QPDF_TRUE);
    if (api->qpdf_write(pdf) & QPDF_ERRORS) {
        return Fail(reason, session.Error());
    }
    const unsigned char* buffer = api->qpdf_get_buffer(pdf);
    repaired.assign(reinterpret_cast<const char*>(buffer), api->qpdf_get_buffer_length(pdf));
    return true;
}

}  // namespace docvane
