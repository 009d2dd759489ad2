// Sequences of TextField operations across both views, driven by the input: each byte picks an
// operation, some take the bytes after them. Checks that no view ever holds more than its
// capacity, that copyOut copies exactly size() bytes, and that what was assigned is what is
// read back, cut to the view's capacity.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/app_state.h"
#include "fakes.h"
#include "fuzz_check.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A fresh control each run: the stand-ins keep every control made, and pull() must read
    // the one the field owns.
    static TextField field;
    fake::reset();
    field = TextField{};
    field.createEdit(0, 0, 200, 20, fake::window(), 3021);
    fake::Control* control = fake::controlOf(field.controlHandle());
    const auto capacity = [] {
        return static_cast<size_t>(field.rawSelected() ? TextField::rawCapacity : TextField::displayCapacity);
    };
    uint8_t out[TextField::displayCapacity + 1];
    size_t at = 0;
    while (at < size) {
        const uint8_t op = data[at++];
        const size_t take = at < size ? data[at] * 4u : 0;
        const size_t count = take < size - at ? take : size - at;
        switch (op % 8) {
        case 0: field.useRaw(); break;
        case 1: field.useDisplay(); break;
        case 2: {
            field.assign(data + at, static_cast<uint32_t>(count));
            const size_t kept = std::min(count, capacity());
            FUZZ_CHECK(field.size() == kept);
            FUZZ_CHECK(field.copyOut(out) == kept);
            FUZZ_CHECK(kept == 0 || std::memcmp(out, data + at, kept) == 0);
            at += count;
            break;
        }
        case 3: field.show(); break;
        case 4:
            control->text.assign(reinterpret_cast<const char*>(data + at), count);
            field.pull();
            at += count;
            break;
        case 5: field.clear(); FUZZ_CHECK(field.size() == 0); break;
        case 6: field.blank(); break;
        case 7: FUZZ_CHECK(field.copyOut(out) == field.size()); break;
        }
        FUZZ_CHECK(field.size() <= capacity());
    }
    return 0;
}
