// Every data file missing or damaged, one at a time, through the real
// program: a file the game cannot do without ends it with its message and
// status 1, music it can do without is simply not heard, and nothing
// crashes.

#include "e2e_helpers.h"
#include "sound/sound.h"
#include "storage/winova.h"

#include <functional>

namespace {

using namespace e2e;

// A whole game of one already solved level from a normal start: the intro,
// the title, NEW GAME, the level's pages, the end of the game and what
// follows it. Every picture, effect and piece of music the game loads is
// loaded on this way.
const std::string WHOLE_GAME = std::string(THROUGH_INTROS) +
                               "frame +5 type RETURN\n"  // PRESS START
                               "frame +10 type RETURN\n" // NEW GAME
                               "frames +30-+1500 every 10 type LCTRL\n"
                               "frame +100 exit\n";

class FatalPaths : public EndToEnd {
  protected:
    void SetUp() override {
        EndToEnd::SetUp();
        captureStderr = true;
        levels(oneSolvedLevel());
    }
    static std::vector<uint8_t> oneSolvedLevel() {
        return levelFile({Board().start(3, 9, 2).target(3, 9, 2)}, {{}});
    }
    // Puts `archive` in data/ with the entry `name` left out, or its bytes
    // replaced by `replacement` when there is one.
    void archiveWith(const char *archive, const std::string &name,
                     const std::vector<uint8_t> *replacement) {
        auto all = archiveEntries(archive);
        ASSERT_FALSE(all.empty()) << archive;
        std::vector<OVAItem> items;
        for (const auto &e : all) {
            if (e.first != name)
                items.push_back({e.first.c_str(), e.second.data(), uint32_t(e.second.size())});
            else if (replacement)
                items.push_back(
                    {e.first.c_str(), replacement->data(), uint32_t(replacement->size())});
        }
        std::string path = dir + "/data/" + archive;
        unlink(path.c_str());
        ASSERT_EQ(writeOVA(path.c_str(), items.data(), unsigned(items.size())), 0);
    }
    // Puts the built file `name` back in data/ as a link.
    void restore(const char *name) {
        std::string to = dir + "/data/" + name;
        unlink(to.c_str());
        std::string from = std::string(QUENZY_BINARY_DIR) + "/data/" + name;
        ASSERT_EQ(symlink(from.c_str(), to.c_str()), 0);
    }
    // The first `size` bytes of the built file `name` as data/name.
    void cutShort(const char *name, size_t size) {
        std::vector<uint8_t> bytes = readFileBytesOf(name);
        bytes.resize(std::min(size, bytes.size()));
        std::string to = dir + "/data/" + name;
        unlink(to.c_str());
        writeBytes(to, bytes);
    }
    std::vector<uint8_t> readFileBytesOf(const char *name) {
        std::string text = readText(std::string(QUENZY_BINARY_DIR) + "/data/" + name);
        return std::vector<uint8_t>(text.begin(), text.end());
    }
    Outcome wholeGame() { return play(WHOLE_GAME, {}); }
};

// What no picture, effect or file missing does: the whole game, cleanly.
TEST_F(FatalPaths, TheWholeGameRouteReachesTheEndOfTheGame) {
    Outcome out = wholeGame();
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.err, "");
    EXPECT_GE(out.count("complete"), 1);
}

TEST_F(FatalPaths, EveryPictureAndEffectMissingOrDamagedEndsTheGame) {
    const std::vector<uint8_t> garbage(200, 0x5A);
    struct Kind {
        const char *archive;
        const char *missing, *damaged; // the messages
    } kinds[] = {{"gfx.ova", "Error loading gfx file", "Unable to load bitmap"},
                 {"sound.ova", "Can't load sound file", "Unable to load sound"}};
    for (const Kind &k : kinds) {
        auto all = archiveEntries(k.archive);
        ASSERT_FALSE(all.empty());
        for (const auto &e : all)
            for (bool damaged : {false, true}) {
                SCOPED_TRACE(e.first + (damaged ? " damaged" : " missing"));
                archiveWith(k.archive, e.first, damaged ? &garbage : nullptr);
                Outcome out = wholeGame();
                EXPECT_EQ(out.status, 1);
                EXPECT_EQ(out.err, damaged ? k.damaged : k.missing);
                EXPECT_EQ(out.count("complete"), 0);
            }
        restore(k.archive);
    }
}

TEST_F(FatalPaths, MissingOrDamagedFilesEndTheGameWithTheirMessage) {
    auto gone = [this](const char *name) { unlink((dir + "/data/" + name).c_str()); };
    auto replaced = [this, gone](const char *name, const std::vector<uint8_t> &bytes) {
        gone(name);
        writeBytes(dir + "/data/" + name, bytes);
    };
    std::vector<uint8_t> cutLevel = levelFile({Board()}, {{}});
    cutLevel.resize(100);
    const struct Case {
        const char *what;
        std::function<void()> damage;
        const char *message;
    } cases[] = {
        {"no level file", [=] { gone("levels.bin"); }, "Unable to load data/levels.bin"},
        {"an empty level file", [=] { replaced("levels.bin", {}); },
         "Unable to load data/levels.bin"},
        {"a level file that holds no level", [=] { replaced("levels.bin", levelFile({}, {})); },
         "No levels in data/levels.bin"},
        {"a level file cut inside its first level", [=] { replaced("levels.bin", cutLevel); },
         "No levels in data/levels.bin"},
        {"a level file whose only level has a cell that is no fruit",
         [=] {
             replaced("levels.bin", levelFile({Board().start(3, 9, 2).target(3, 9, 200)}, {{}}));
         },
         "Level 1 in data/levels.bin is damaged (a cell above 5)"},
        {"a level file whose only level picks off the board",
         [=] {
             replaced("levels.bin", levelFile({Board()}, {{{2, 30}}}));
         },
         "Level 1 in data/levels.bin is damaged (a pick off the board)"},
        {"no picture archive", [=] { gone("gfx.ova"); }, "Error loading gfx file"},
        {"a picture archive cut short", [=] { cutShort("gfx.ova", 5000); },
         "Error loading gfx file"},
        {"a picture archive of garbage",
         [=] { replaced("gfx.ova", std::vector<uint8_t>(3000, 0xA5)); }, "Error loading gfx file"},
        {"no effect archive", [=] { gone("sound.ova"); }, "Can't load sound file"},
        {"an effect archive cut short", [=] { cutShort("sound.ova", 3000); },
         "Can't load sound file"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        c.damage();
        Outcome out = wholeGame();
        EXPECT_EQ(out.status, 1);
        EXPECT_EQ(out.err, c.message);
        EXPECT_EQ(out.count("title"), 0);
        for (const char *name : {"gfx.ova", "sound.ova"})
            restore(name);
        replaced("levels.bin", oneSolvedLevel());
    }
}

// A video driver SDL cannot start ends the game at once with its message.
TEST_F(FatalPaths, AVideoDriverThatCannotStartEndsTheGame) {
    Outcome out = play(WHOLE_GAME, {}, {{"SDL_VIDEODRIVER", "no-such-driver"}});
    EXPECT_EQ(out.status, 1);
    EXPECT_EQ(out.err, "Unable to init SDL");
    EXPECT_EQ(out.count("boot"), 0);
}

// Music is not needed to play: a piece that is missing or damaged, or no
// music at all, is silence, and the game goes on to its end.
TEST_F(FatalPaths, MissingOrDamagedMusicIsSilence) {
    const std::vector<uint8_t> garbage(3000, 0x5A);
    const std::string path = dir + "/data/music.ova";
    std::vector<std::pair<std::string, std::function<void()>>> cases;
    for (const auto &e : archiveEntries("music.ova")) {
        std::string name = e.first;
        cases.push_back({name + " missing", [=] { archiveWith("music.ova", name, nullptr); }});
        cases.push_back({name + " damaged", [=] { archiveWith("music.ova", name, &garbage); }});
    }
    ASSERT_EQ(cases.size(), 2 * size_t(MUSIC_COUNT));
    cases.push_back({"no archive", [=] { unlink(path.c_str()); }});
    cases.push_back({"an archive of garbage", [=] {
                         unlink(path.c_str());
                         writeBytes(path, garbage);
                     }});
    cases.push_back({"every piece's packed data damaged", [=] {
                         // The directory intact, the data behind it not.
                         std::vector<uint8_t> bytes = readFileBytesOf("music.ova");
                         for (size_t i = 4 + 44 * size_t(MUSIC_COUNT); i < bytes.size(); i += 7)
                             bytes[i] ^= 0x5A;
                         unlink(path.c_str());
                         writeBytes(path, bytes);
                     }});
    for (const auto &c : cases) {
        SCOPED_TRACE(c.first);
        c.second();
        Outcome out = wholeGame();
        EXPECT_EQ(out.status, 0);
        EXPECT_EQ(out.err, "");
        EXPECT_GE(out.count("complete"), 1);
        restore("music.ova");
    }
}

} // namespace
