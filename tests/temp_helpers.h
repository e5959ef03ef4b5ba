#pragma once

// Temporary folders of a test's own: unique (mkdtemp, under TMPDIR when it
// is set), removed with all they hold when the test is done, so that two runs
// of the suite at once never meet and nothing is left behind.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// Where temporary folders go.
inline std::string tempBase() {
    const char *base = getenv("TMPDIR");
    return base && *base ? base : "/tmp";
}

// Removes `path` and everything under it, links not followed; 0 when all
// went or nothing was there.
inline int removeTree(const std::string &path) {
    auto removeOne = [](const char *p, const struct stat *, int, struct FTW *) {
        return remove(p);
    };
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        return errno == ENOENT ? 0 : -1;
    return nftw(path.c_str(), removeOne, 16, FTW_DEPTH | FTW_PHYS);
}

// Makes a fresh folder `prefix`-XXXXXX under tempBase(); its path, or an
// empty string when it cannot. For fixtures that keep theirs when a test
// fails; the others take a TempDir.
inline std::string makeTempDir(const char *prefix) {
    std::string pattern = tempBase() + "/" + prefix + "-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    return mkdtemp(name.data()) ? name.data() : "";
}

// A fresh folder named `prefix`-XXXXXX, removed when the object goes.
class TempDir {
  public:
    explicit TempDir(const char *prefix = "quenzy") : path(makeTempDir(prefix)) {
        EXPECT_FALSE(path.empty()) << "cannot make a folder " << prefix << "-XXXXXX";
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
