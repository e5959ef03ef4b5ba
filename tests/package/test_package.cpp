// The Debian package, built from these sources, installed with dpkg as a
// player's system would have it, played through /usr/games/quenzy from a
// folder of the player's with a fresh home, then removed and purged: nothing
// of it may stay behind. It changes the system, so it needs root.

#include "e2e_helpers.h"

#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <set>

namespace {

using namespace e2e;

// Runs `cmd` in a shell with its output appended to `log`; its exit status.
int run(const std::string &cmd, const std::string &log) {
    std::string line = "{ " + cmd + "; } >> '" + log + "' 2>&1";
    int status = system(line.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

// Output of `cmd` (its standard output only).
std::string capture(const std::string &cmd) {
    std::string text;
    FILE *pipe = popen(cmd.c_str(), "r");
    if (!pipe)
        return text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, n);
    pclose(pipe);
    return text;
}

std::vector<std::string> lines(const std::string &text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty())
            out.push_back(line);
    return out;
}

bool exists(const std::string &path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// dpkg's front-end lock, held the way apt holds it (a waiting fcntl lock),
// from before the install to after the purge: no apt or dpkg run of anyone
// else, nor a second run of this test, comes in between. The dpkg runs
// under it are told so through DPKG_FRONTEND_LOCKED.
struct DpkgLock {
    int fd = open("/var/lib/dpkg/lock-frontend", O_RDWR | O_CREAT | O_CLOEXEC, 0640);
    bool held = false;
    DpkgLock() {
        struct flock whole = {};
        whole.l_type = F_WRLCK;
        whole.l_whence = SEEK_SET;
        held = fd >= 0 && fcntl(fd, F_SETLKW, &whole) == 0;
    }
    ~DpkgLock() {
        if (fd >= 0)
            close(fd);
    }
};

const char *const DPKG = "DPKG_FRONTEND_LOCKED=1 dpkg";

// Whether dpkg knows of the package in any state but "not installed" (its
// status letter, the second of the abbreviation, is n then).
bool onSystem() {
    std::string state = capture("dpkg-query -W -f='${db:Status-Abbrev}' quenzy 2>/dev/null");
    return state.size() >= 2 && state[1] != 'n';
}

// Every path on the system whose name holds "quenzy", outside the places
// where users and builds keep their own files.
std::set<std::string> pathsNamedQuenzy() {
    std::vector<std::string> found =
        lines(capture("find /usr /etc /var /opt -xdev -name '*quenzy*' "
                      "-not -path '/var/tmp/*' 2>/dev/null"));
    return std::set<std::string>(found.begin(), found.end());
}

class DebianPackage : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = tempBase() + "/quenzy-package-XXXXXX";
        std::vector<char> path(pattern.begin(), pattern.end());
        path.push_back('\0');
        ASSERT_NE(mkdtemp(path.data()), nullptr) << pattern;
        dir = path.data();
        log = dir + "/log.txt";
        ASSERT_EQ(mkdir((dir + "/elsewhere").c_str(), 0755), 0);
        ASSERT_EQ(mkdir((dir + "/home").c_str(), 0755), 0);
    }
    void TearDown() override {
        // Never leave our install on the system, whatever failed.
        if (ours && onSystem())
            run(std::string(DPKG) + " --purge quenzy", log);
        if (HasFailure()) {
            printf("kept %s (log.txt)\n", dir.c_str());
            return;
        }
        EXPECT_EQ(removeTree(dir), 0) << dir;
    }
    // Builds the package for this machine (the script checks it with
    // lintian too); its path, or "" on failure.
    // The build folder is the same for every run from this build tree (so
    // a compiler cache finds its objects again), taken in turn.
    // The script moves each new package into place, so the copy made after
    // the lock is let go is whole even while another run builds.
    std::string buildPackage() {
        std::string out = std::string(QUENZY_BINARY_DIR) + "/package-test";
        std::string build = dir + "/build.txt";
        std::string cmd =
            "mkdir -p '" + out + "' && flock '" + out + ".lock' '" + QUENZY_SOURCE_DIR +
            "/tools/package/deb' \"$(dpkg --print-architecture)\" '" + out + "' > '" + build +
            "' 2>&1 && cp \"$(tail -n 1 '" + build + "')\" '" + dir + "/quenzy.deb'";
        if (run(cmd, log) != 0) {
            ADD_FAILURE() << "the package build failed:\n" << readText(build) << readText(log);
            return "";
        }
        return dir + "/quenzy.deb";
    }
    // Plays the test board through the installed launcher, from elsewhere/
    // with a fresh home; the trace.
    std::vector<TraceLine> play() {
        writeBytes(dir + "/elsewhere/test.bin",
                   Board().start(2, 9, 1).start(2, 8, 3).target(2, 9, 2).bytes);
        std::string script = readText(QUENZY_SOURCE_DIR "/tests/e2e/solve_test_board_by_keys.txt");
        writeBytes(dir + "/elsewhere/script.txt",
                   std::vector<uint8_t>(script.begin(), script.end()));
        std::string cmd = "cd '" + dir +
                          "/elsewhere' && env -i PATH=/usr/bin:/bin:/usr/games HOME='" + dir +
                          "/home' SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "
                          "QUENZY_REPLAY=script.txt QUENZY_TRACE=trace.txt /usr/games/quenzy -t";
        EXPECT_EQ(run(cmd, log), 0) << readText(log);
        return parseTrace(readText(dir + "/elsewhere/trace.txt"));
    }
    std::string dir, log;
    std::unique_ptr<DpkgLock> lock; // let go after TearDown's purge
    bool ours = false;              // whether this run installed the package
};

TEST_F(DebianPackage, InstallsPlaysAndPurgesWithoutATrace) {
    if (geteuid() != 0)
        GTEST_SKIP() << "installing a package with dpkg needs root";
    std::string deb = buildPackage();
    ASSERT_FALSE(deb.empty());
    std::vector<std::string> contents =
        lines(capture("dpkg-deb --fsys-tarfile '" + deb + "' | tar -t | sed 's|^\\.||; s|/$||'"));
    ASSERT_NE(std::find(contents.begin(), contents.end(), "/usr/games/quenzy"), contents.end());

    lock.reset(new DpkgLock);
    ASSERT_TRUE(lock->held) << "cannot take dpkg's lock";
    ASSERT_FALSE(onSystem()) << "quenzy is installed on this machine; the test would replace it";
    std::set<std::string> before = pathsNamedQuenzy();
    std::set<std::string> existedBefore;
    for (const std::string &path : contents)
        if (exists(path))
            existedBefore.insert(path);

    ours = true;
    ASSERT_EQ(run(std::string(DPKG) + " -i '" + deb + "'", log), 0) << readText(log);
    for (const std::string &path : contents)
        EXPECT_TRUE(exists(path)) << path;
    std::vector<TraceLine> trace = play();
    // One pick wins the board of test.bin for 4 points; no board (no
    // test.bin found) would be won at once, for nothing.
    auto won = std::find_if(trace.begin(), trace.end(),
                            [](const TraceLine &line) { return line.event == "won"; });
    ASSERT_NE(won, trace.end()) << readText(log);
    EXPECT_EQ(won->num("level"), -1);
    EXPECT_EQ(won->num("score"), 4);
    EXPECT_TRUE(exists(dir + "/home/.quenzy/hiscores.dat"));

    EXPECT_EQ(run(std::string(DPKG) + " -r quenzy", log), 0) << readText(log);
    EXPECT_EQ(run(std::string(DPKG) + " -P quenzy", log), 0) << readText(log);
    EXPECT_EQ(capture("dpkg-query -W quenzy 2>/dev/null"), "");
    for (const std::string &path : contents)
        if (!existedBefore.count(path)) {
            EXPECT_FALSE(exists(path)) << path << " is left";
        }
    std::set<std::string> after = pathsNamedQuenzy();
    for (const std::string &path : after)
        EXPECT_TRUE(before.count(path)) << path << " is left";
}

} // namespace
