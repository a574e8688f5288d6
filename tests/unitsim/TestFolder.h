#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

// A fresh folder for one test inside the test program's temporary folder.
inline std::filesystem::path TestFolder(const std::string& name)
{
    const char* root = std::getenv("CORVANE_TEST_TMP");
    const auto folder = std::filesystem::path(root ? root : "/tmp") / ("unitsim-" + name);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}
