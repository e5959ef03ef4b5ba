#pragma once

// Temporary folders of a test's own: unique (mkdtemp, under TMPDIR when it
// is set), removed with all they hold when the test is done, so that two runs
// of the suite at once never meet and nothing is left behind.

#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

// Where temporary folders go.
inline std::string tempBase() {
    const char *base = getenv("TMPDIR");
    return base && *base ? base : "/tmp";
}

// Removes `path` and everything under it, links not followed; 0 when all
// went.
inline int removeTree(const std::string &path) {
    auto removeOne = [](const char *p, const struct stat *, int, struct FTW *) {
        return remove(p);
    };
    return nftw(path.c_str(), removeOne, 16, FTW_DEPTH | FTW_PHYS);
}

// A fresh folder named `prefix`-XXXXXX, removed when the object goes.
class TempDir {
  public:
    explicit TempDir(const char *prefix = "quenzy") {
        std::string pattern = tempBase() + "/" + prefix + "-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (mkdtemp(name.data()))
            path = name.data();
        EXPECT_FALSE(path.empty()) << "cannot make " << pattern;
    }
    ~TempDir() {
        if (!path.empty()) {
            EXPECT_EQ(removeTree(path), 0) << "cannot remove " << path;
        }
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    // The path of `name` inside the folder.
    std::string operator/(const std::string &name) const { return path + "/" + name; }
    std::string path;
};

// A TempDir that is the working directory while it lives.
class TempWorkDir : public TempDir {
  public:
    explicit TempWorkDir(const char *prefix = "quenzy") : TempDir(prefix) {
        oldDir = getcwd(nullptr, 0);
        EXPECT_EQ(chdir(path.c_str()), 0) << path;
    }
    ~TempWorkDir() {
        EXPECT_EQ(chdir(oldDir), 0);
        free(oldDir);
    }

  private:
    char *oldDir = nullptr;
};
