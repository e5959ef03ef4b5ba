#include <cstdlib>
#include <dlfcn.h>
#include <gtest/gtest.h>

// Every test that draws rand() seeds it first. The suite runs in any order
// (shuffled, repeated, one process or many), so a draw from a generator the
// test did not seed would depend on the tests that ran before it. These two
// stand in for the C library's own, in the game code the tests link too.
static int seededInThisTest = 1;

extern "C" int rand() noexcept {
    static auto real = reinterpret_cast<int (*)()>(dlsym(RTLD_NEXT, "rand"));
    if (!seededInThisTest && testing::UnitTest::GetInstance()->current_test_info()) {
        seededInThisTest = 1; // one report a test
        ADD_FAILURE() << "rand() drawn before this test seeded it with srand()";
    }
    return real();
}

extern "C" void srand(unsigned seed) noexcept {
    static auto real = reinterpret_cast<void (*)(unsigned)>(dlsym(RTLD_NEXT, "srand"));
    seededInThisTest = 1;
    real(seed);
}

namespace {

class SeedGuard : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo &) override { seededInThisTest = 0; }
};

} // namespace

int main(int argc, char **argv) {
    // Headless however the suite is started.
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new SeedGuard);
    return RUN_ALL_TESTS();
}
