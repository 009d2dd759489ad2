#include "provision/password_file.h"

#include <fstream>

#include "provision/device_text.h"
#include "provision/paths.h"

namespace tarnwick::provision {

std::string passwordFileOf(const std::string& profilePath, const std::string& passwordFile) {
    const std::filesystem::path named = fileSystemPath(passwordFile);
    if (named.is_absolute() || !named.has_relative_path()) return passwordFile;
    return (fileSystemPath(profilePath).parent_path() / named).u8string();
}

std::string readPasswordFile(const std::string& path, std::string* password) {
    password->clear();
    std::string line;
    {
        std::ifstream file(fileSystemPath(path), std::ios::binary);
        if (!file) return "password: the file " + path + " cannot be read";
        if (!std::getline(file, line)) {
            // On Linux a folder opens like a file; only its first read fails.
            if (isFolder(path)) return "password: " + path + " is a folder, not a file";
            if (file.bad()) return "password: the file " + path + " cannot be read";
            return "password: the file " + path + " is empty; an empty password is an empty first line";
        }
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string missing;
    if (utf8ToDevice(line, password, &missing)) return {};
    if (!missing.empty()) {
        password->clear();
        return "password: a character in " + path + " is not in Windows-1251, which the modem uses";
    }
    *password = line;
    return {};
}

}  // namespace tarnwick::provision
