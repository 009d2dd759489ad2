// The profile reader on arbitrary file contents: a profile that loads, saved as `read` saves
// one and loaded again, gives the same unit values (the ones a quote pair can hold).
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_check.h"
#include "ui/cli/profile.h"

using namespace tarnwick::cli;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = "fuzz-profile.ini";
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    Wanted wanted;
    std::string passwordFile;
    if (!loadProfile(path, wanted, &passwordFile).empty()) return 0;
    FUZZ_CHECK(!wanted[Value::password]);
    Run run;
    for (Value value : {Value::period, Value::address, Value::phone1, Value::phone2, Value::smsPhone}) {
        const std::optional<std::string>& text = wanted[value];
        // A value with both kinds of quote, or a line end, cannot be written back.
        if (text && text->find_first_of("\r\n") == std::string::npos &&
            !(text->find('"') != std::string::npos && text->find('\'') != std::string::npos))
            run.results.push_back(Result{value, Outcome::read, {}, *text});
    }
    if (!saveProfile(path, run, wanted.noInternet).empty()) return 0;
    Wanted again;
    FUZZ_CHECK(loadProfile(path, again, &passwordFile).empty());
    for (const Result& result : run.results) FUZZ_CHECK(again[result.value] == result.readBack);
    std::remove(path);
    return 0;
}
