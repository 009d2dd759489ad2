#pragma once
// File names are UTF-8 inside the program; std::filesystem takes them through u8path, which
// on Windows opens them by their UTF-16 names whatever the system's code page.
#include <filesystem>
#include <string>
#include <system_error>

namespace tarnwick::provision {

inline std::filesystem::path fileSystemPath(const std::string& path) { return std::filesystem::u8path(path); }

inline bool isFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(fileSystemPath(path), error);
}

}  // namespace tarnwick::provision
