#pragma once

// A user folder of the test's own: a fresh temporary folder that
// configFolder points at while the test runs, removed afterwards.

#include "file_helpers.h"
#include "storage/hiscores.h"
#include "temp_helpers.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

class UserFolderTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(dir.empty());
        oldFolder = configFolder;
        configFolder = const_cast<char *>(dir.c_str());
        srand(1); // loading a table draws names for its default rows
    }
    void TearDown() override { configFolder = oldFolder; }
    std::string path(const char *name) const { return dir + "/" + name; }
    void writeFile(const char *name, const std::string &bytes) const {
        FILE *f = fopen(path(name).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        if (!bytes.empty())
            fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    std::string readFile(const char *name) const {
        std::vector<uint8_t> bytes = readFileBytes(path(name));
        return std::string(bytes.begin(), bytes.end());
    }
    // The names in the folder, sorted.
    std::vector<std::string> listing() const {
        std::vector<std::string> names;
        DIR *d = opendir(dir.c_str());
        if (!d)
            return names;
        while (dirent *e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.push_back(e->d_name);
        closedir(d);
        std::sort(names.begin(), names.end());
        return names;
    }
    TempDir tmp{"quenzy-user"};
    const std::string dir = tmp.path;
    char *oldFolder = nullptr;
};
