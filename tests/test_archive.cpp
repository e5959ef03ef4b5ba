#include "storage/winova.h"

#include "file_helpers.h"
#include "launcher.h"
#include "temp_helpers.h"
#include <cstdlib>
#include <cstring>
#include <functional>

#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

struct Item {
    std::string name;
    std::string data;
};

Bytes pack(const std::vector<Item> &items) {
    std::vector<OVAItem> raw;
    for (const Item &i : items)
        raw.push_back({i.name.c_str(), reinterpret_cast<const uint8_t *>(i.data.data()),
                       uint32_t(i.data.size())});
    uint32_t size = 0;
    uint8_t *image = packOVA(raw.data(), unsigned(raw.size()), &size);
    EXPECT_NE(image, nullptr);
    Bytes bytes(image, image + size);
    free(image);
    return bytes;
}

uint32_t le32(const Bytes &b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

void setLe32(Bytes &b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++)
        b[at + i] = uint8_t(v >> (8 * i));
}

// Directory fields of entry i.
size_t offsetField(int i) {
    return 4 + 44 * i + 32;
}
size_t sizeField(int i) {
    return 4 + 44 * i + 36;
}
size_t packedField(int i) {
    return 4 + 44 * i + 40;
}

void writeFile(const std::string &path, const Bytes &bytes) {
    FILE *f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    if (!bytes.empty())
        fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

class Archives : public testing::Test {
  protected:
    void SetUp() override {
        closeArchives();
        ASSERT_EQ(mkdir("data", 0755), 0);
    }
    void TearDown() override { closeArchives(); }
    // The entry as a string, or "<none>"; checks the length contract.
    static std::string fetch(int id, const char *name, const char *ext) {
        uint32_t length = 0xDEADBEEF;
        uint8_t *data = loadOVAFile(id, name, ext, &length);
        if (!data) {
            EXPECT_EQ(length, 0xDEADBEEF) << "length must be left alone on failure";
            return "<none>";
        }
        std::string s(reinterpret_cast<char *>(data), length);
        free(data);
        return s;
    }
    TempWorkDir dir{"quenzy-ova"};
};

std::vector<Item> manyEntries(int n) {
    std::vector<Item> items;
    for (int i = 0; i < n; i++)
        items.push_back({"e" + std::to_string(i) + ".bmp", "entry " + std::to_string(i)});
    return items;
}

// Data blocks laid out in the reverse of the directory order.
Bytes reversedBlocks() {
    Bytes b = pack({{"a.bmp", "first block"}, {"b.bmp", "the second block"}});
    uint32_t offA = le32(b, offsetField(0)), lenA = le32(b, packedField(0));
    uint32_t offB = le32(b, offsetField(1)), lenB = le32(b, packedField(1));
    Bytes out(b.begin(), b.begin() + offA);
    out.insert(out.end(), b.begin() + offB, b.begin() + offB + lenB);
    out.insert(out.end(), b.begin() + offA, b.begin() + offA + lenA);
    setLe32(out, offsetField(1), offA);
    setLe32(out, offsetField(0), offA + lenB);
    return out;
}

Bytes damaged(const std::function<void(Bytes &)> &damage) {
    Bytes b = pack({{"logo.bmp", std::string(300, 'x') + "logo"}, {"tail.bmp", "tail data"}});
    damage(b);
    return b;
}

struct LookupCase {
    const char *what;
    Bytes archive;
    const char *name, *ext;
    std::string expected;
};

TEST_F(Archives, Lookup) {
    const std::string name32 = "0123456789012345678901234567.bmp";
    const std::string longKey = std::string(40, 'k');
    const LookupCase cases[] = {
        {"one entry", pack({{"logo.bmp", "LOGO"}}), "logo", "bmp", "LOGO"},
        {"first of 256", pack(manyEntries(256)), "e0", "bmp", "entry 0"},
        {"last of 256", pack(manyEntries(256)), "e255", "bmp", "entry 255"},
        {"empty entry", pack({{"none.wav", ""}}), "none", "wav", ""},
        {"32-byte name by its first 31", pack({{name32, "cut"}}), "0123456789012345678901234567",
         "bm", "cut"},
        {"32-byte name in full", pack({{name32, "cut"}}), "0123456789012345678901234567", "bmp",
         "<none>"},
        {"key longer than 31", pack({{"a.bmp", "x"}}), longKey.c_str(), "bmp", "<none>"},
        {"duplicates: the first wins", pack({{"a.bmp", "first"}, {"a.bmp", "second"}}), "a", "bmp",
         "first"},
        {"case-sensitive", pack({{"logo.bmp", "LOGO"}}), "Logo", "bmp", "<none>"},
        {"extension counts", pack({{"logo.bmp", "LOGO"}}), "logo", "wav", "<none>"},
        {"missing name", pack({{"logo.bmp", "LOGO"}}), "kitty", "bmp", "<none>"},
        {"blocks out of order, a", reversedBlocks(), "a", "bmp", "first block"},
        {"blocks out of order, b", reversedBlocks(), "b", "bmp", "the second block"},
        {"bad magic", damaged([](Bytes &b) { b[2] = 'B'; }), "logo", "bmp", "<none>"},
        {"file shorter than the magic", Bytes{'O', 'V'}, "logo", "bmp", "<none>"},
        {"directory cut short", damaged([](Bytes &b) { b.resize(4 + 44 + 20); }), "logo", "bmp",
         "<none>"},
        {"offset past the end", damaged([](Bytes &b) { setLe32(b, offsetField(0), b.size()); }),
         "logo", "bmp", "<none>"},
        {"packed size past the end",
         damaged([](Bytes &b) { setLe32(b, packedField(1), le32(b, packedField(1)) + 1); }), "tail",
         "bmp", "<none>"},
        {"offset plus packed size wrapping 32 bits", damaged([](Bytes &b) {
             setLe32(b, packedField(0), 0xFFFFFFFF - le32(b, offsetField(0)) + 8);
         }),
         "logo", "bmp", "<none>"},
        {"data cut short", damaged([](Bytes &b) { b.pop_back(); }), "tail", "bmp", "<none>"},
        {"corrupt data",
         damaged([](Bytes &b) { b[le32(b, offsetField(0)) + le32(b, packedField(0)) - 1] ^= 1; }),
         "logo", "bmp", "<none>"},
        {"stored size too large",
         damaged([](Bytes &b) { setLe32(b, sizeField(0), le32(b, sizeField(0)) + 1); }), "logo",
         "bmp", "<none>"},
        {"stored size too small",
         damaged([](Bytes &b) { setLe32(b, sizeField(0), le32(b, sizeField(0)) - 1); }), "logo",
         "bmp", "<none>"},
        {"absurd stored size", damaged([](Bytes &b) { setLe32(b, sizeField(0), 0xFFFFFFFF); }),
         "logo", "bmp", "<none>"},
        {"damage elsewhere spares the other entry",
         damaged([](Bytes &b) { setLe32(b, offsetField(0), b.size()); }), "tail", "bmp",
         "tail data"},
    };
    for (const LookupCase &c : cases) {
        SCOPED_TRACE(c.what);
        closeArchives();
        writeFile("data/gfx.ova", c.archive);
        EXPECT_EQ(fetch(OVA_GFX, c.name, c.ext), c.expected);
    }
}

// What the reader trusts before it allocates: the packed data inside the
// file, and a stored size that data could inflate to (deflate reaches about
// 1032:1; 64 bytes of slack for the smallest streams).
TEST(ArchiveEntry, FitsOnlyInsideTheFileAndWithinTheInflateRatio) {
    std::vector<uint8_t> file(1000);
    FILE *f = fmemopen(file.data(), file.size(), "rb");
    ASSERT_NE(f, nullptr);
    struct Case {
        const char *what;
        uint32_t offset, size, packedSize;
        int fits;
    } cases[] = {
        {"ends at the end", 900, 200, 100, 1},
        {"one byte past the end", 901, 200, 100, 0},
        {"offset plus size wrapping 32 bits", 0xFFFFFF00u, 10, 0x200, 0},
        {"the largest size 100 bytes can hold", 0, 100 * 1032 + 64, 100, 1},
        {"one byte more", 0, 100 * 1032 + 65, 100, 0},
        {"an empty entry", 1000, 0, 0, 1},
        {"a size from nothing", 1000, 65, 0, 0},
        {"an absurd size", 48, 0xFFFFFFFFu, 300, 0},
    };
    for (const Case &c : cases) {
        OVAEntry entry{};
        entry.offset = c.offset;
        entry.size = c.size;
        entry.packedSize = c.packedSize;
        EXPECT_EQ(ovaEntryFits(f, &entry), c.fits) << c.what;
    }
    // An entry of no packed bytes is no zlib stream: it fits, but reads as
    // nothing, and its length stays untouched.
    OVAEntry empty{};
    empty.offset = 1000;
    uint32_t length = 7;
    EXPECT_EQ(readOVAEntry(f, &empty, &length), nullptr);
    EXPECT_EQ(length, 7u);
    fclose(f);
    // Nothing fits in a stream whose length cannot be told, a pipe.
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], file.data(), 100), 100);
    close(ends[1]);
    FILE *piped = fdopen(ends[0], "rb");
    ASSERT_NE(piped, nullptr);
    EXPECT_EQ(ovaEntryFits(piped, &empty), 0);
    fclose(piped);
}

// A stream that claims `extra` bytes more than it can read: as a file cut
// short after its directory was read, or a read error.
struct ShortStream {
    Bytes bytes;
    size_t extra, at;
};

FILE *openShortStream(ShortStream *s) {
    cookie_io_functions_t io{};
    io.read = [](void *cookie, char *buf, size_t n) -> ssize_t {
        ShortStream *s = static_cast<ShortStream *>(cookie);
        size_t left = s->at < s->bytes.size() ? s->bytes.size() - s->at : 0;
        n = n < left ? n : left;
        memcpy(buf, s->bytes.data() + s->at, n);
        s->at += n;
        return static_cast<ssize_t>(n);
    };
    io.seek = [](void *cookie, off64_t *offset, int whence) -> int {
        ShortStream *s = static_cast<ShortStream *>(cookie);
        off64_t base = whence == SEEK_SET   ? 0
                       : whence == SEEK_CUR ? static_cast<off64_t>(s->at)
                                            : static_cast<off64_t>(s->bytes.size() + s->extra);
        s->at = static_cast<size_t>(base + *offset);
        *offset = base + *offset;
        return 0;
    };
    return fopencookie(s, "rb", io);
}

TEST(ArchiveEntry, AShortReadFailsEvenWhenWhatCameInflates) {
    // The entry claims 8 packed bytes more than its whole zlib stream; the
    // stream claims to hold them, but its reads end with the real data.
    Bytes archive = pack({{"logo.bmp", std::string(300, 'x')}});
    OVAEntry entry{};
    entry.offset = le32(archive, offsetField(0));
    entry.size = le32(archive, sizeField(0));
    entry.packedSize = le32(archive, packedField(0)) + 8;
    ASSERT_EQ(entry.offset + entry.packedSize - 8, archive.size());
    ShortStream stream{archive, 8, 0};
    FILE *f = openShortStream(&stream);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ovaEntryFits(f, &entry), 1);
    uint32_t length = 0xDEADBEEF;
    EXPECT_EQ(readOVAEntry(f, &entry, &length), nullptr);
    EXPECT_EQ(length, 0xDEADBEEF);
    // With the 8 bytes there (zlib ignores what follows a whole stream) the
    // same entry reads.
    stream.bytes.resize(archive.size() + 8, 0);
    stream.extra = 0;
    uint8_t *data = readOVAEntry(f, &entry, &length);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(data), length), std::string(300, 'x'));
    free(data);
    fclose(f);
}

TEST_F(Archives, CountByteAndLayout) {
    Bytes one = pack({{"a.bmp", "x"}});
    EXPECT_EQ(std::string(one.begin(), one.begin() + 3), "OVA");
    EXPECT_EQ(one[3], 0);
    EXPECT_EQ(le32(one, offsetField(0)), 4u + 44u);
    Bytes full = pack(manyEntries(256));
    EXPECT_EQ(full[3], 255);
    writeFile("data/gfx.ova", full);
    EXPECT_EQ(loadOVAHeader(OVA_GFX), 0);
    EXPECT_EQ(ova_count[OVA_GFX], 256u);
    EXPECT_STREQ(ova_header[OVA_GFX][255].name, "e255.bmp");
    // Writing the same items twice gives the same bytes.
    EXPECT_EQ(pack(manyEntries(256)), full);
}

TEST_F(Archives, WriterRefusesWhatTheFormatCannotHold) {
    uint32_t size = 0;
    std::string longName(33, 'n');
    OVAItem tooLong = {longName.c_str(), nullptr, 0};
    EXPECT_EQ(packOVA(&tooLong, 1, &size), nullptr);
    EXPECT_EQ(packOVA(&tooLong, 0, &size), nullptr);
    std::vector<OVAItem> many(257, OVAItem{"a.bmp", nullptr, 0});
    EXPECT_EQ(packOVA(many.data(), 257, &size), nullptr);
}

TEST_F(Archives, OpenArchivesStatesAndRetries) {
    writeFile("data/gfx.ova", pack({{"logo.bmp", "LOGO"}}));
    writeFile("data/sound.ova", pack({{"hippo.wav", "HIPPO"}}));
    // Music is missing: it stays closed, and the last status is the sound's.
    EXPECT_EQ(openArchives(), 0);
    EXPECT_NE(ova_file[OVA_GFX], nullptr);
    EXPECT_NE(ova_header[OVA_GFX], nullptr);
    EXPECT_EQ(ova_file[OVA_MUSIC], nullptr);
    EXPECT_EQ(ova_header[OVA_MUSIC], nullptr);
    EXPECT_EQ(ova_count[OVA_MUSIC], 0u);
    EXPECT_EQ(fetch(OVA_MUSIC, "song", "mod"), "<none>");
    // A later request on the closed archive tries again.
    writeFile("data/music.ova", pack({{"song.mod", "SONG"}}));
    EXPECT_EQ(fetch(OVA_MUSIC, "song", "mod"), "SONG");
    EXPECT_EQ(fetch(OVA_SOUND, "hippo", "wav"), "HIPPO");

    // A closed stream with its directory kept is opened again by its path.
    closeID(OVA_GFX);
    EXPECT_EQ(ova_file[OVA_GFX], nullptr);
    EXPECT_NE(ova_header[OVA_GFX], nullptr);
    EXPECT_EQ(fetch(OVA_GFX, "logo", "bmp"), "LOGO");

    closeArchives();
    for (int id = 0; id < OVA_ARCHIVES; id++) {
        EXPECT_EQ(ova_file[id], nullptr);
        EXPECT_EQ(ova_header[id], nullptr);
        EXPECT_EQ(ova_count[id], 0u);
    }
    EXPECT_EQ(openArchives(), 0);
    writeFile("data/sound.ova", Bytes{'N', 'O', 'P', 'E'});
    closeArchives();
    EXPECT_EQ(openArchives(), 1);
}

TEST_F(Archives, ReopenedArchiveReadsItsDirectoryAgain) {
    writeFile("data/gfx.ova", pack({{"logo.bmp", "old logo"}}));
    EXPECT_EQ(fetch(OVA_GFX, "logo", "bmp"), "old logo");
    // A directory is read once per opening.
    writeFile("data/gfx.ova", pack({{"other.bmp", "x"}, {"logo.bmp", "new logo"}}));
    EXPECT_EQ(ova_count[OVA_GFX], 1u);
    closeArchives();
    EXPECT_EQ(fetch(OVA_GFX, "logo", "bmp"), "new logo");
    EXPECT_EQ(ova_count[OVA_GFX], 2u);
}

TEST_F(Archives, BadMagicClosesTheStreamAndIsCheckedAgain) {
    for (int at = 0; at < 3; at++) {
        SCOPED_TRACE(at);
        writeFile("data/gfx.ova", damaged([at](Bytes &b) { b[at] = 'X'; }));
        EXPECT_EQ(loadOVAHeader(OVA_GFX), 1);
        EXPECT_EQ(ova_file[OVA_GFX], nullptr);
        writeFile("data/gfx.ova", pack({{"logo.bmp", "LOGO"}}));
        EXPECT_EQ(fetch(OVA_GFX, "logo", "bmp"), "LOGO");
        closeArchives();
    }
}

// The directory reader's own answer: 0 and the entries, or 1 and none.
TEST(ArchiveDirectory, ReadsTheEntriesOrSaysItCannot) {
    const struct {
        const char *what;
        Bytes bytes;
        int status;
        uint32_t count;
    } cases[] = {
        {"two entries", damaged([](Bytes &) {}), 0, 2},
        {"a bad magic", damaged([](Bytes &b) { b[1] = 'X'; }), 1, 0},
        {"a directory cut short", damaged([](Bytes &b) { b.resize(4 + 44 + 20); }), 1, 0},
        {"no whole head", Bytes{'O', 'V'}, 1, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bytes = c.bytes;
        FILE *f = fmemopen(bytes.data(), bytes.size(), "rb");
        ASSERT_NE(f, nullptr);
        OVAEntry *entries = nullptr;
        uint32_t count = 0;
        EXPECT_EQ(readOVADirectory(f, &entries, &count), c.status);
        if (c.status == 0) {
            EXPECT_EQ(count, c.count);
            ASSERT_NE(entries, nullptr);
            EXPECT_STREQ(entries[1].name, "tail.bmp");
        } else {
            EXPECT_EQ(entries, nullptr);
        }
        free(entries);
        fclose(f);
    }
}

TEST_F(Archives, CutDirectoryLeavesTheArchiveClosed) {
    writeFile("data/gfx.ova", damaged([](Bytes &b) { b.resize(4 + 44 + 43); }));
    EXPECT_EQ(loadOVAHeader(OVA_GFX), 1);
    EXPECT_EQ(ova_file[OVA_GFX], nullptr);
    EXPECT_EQ(ova_header[OVA_GFX], nullptr);
    EXPECT_EQ(ova_count[OVA_GFX], 0u);
}

TEST_F(Archives, UncompressReportsZlibStatus) {
    Bytes b = pack({{"a.bmp", "hello"}});
    uint8_t out[16];
    unsigned long length = sizeof out;
    EXPECT_EQ(
        uncompressOVA(out, &length, b.data() + le32(b, offsetField(0)), le32(b, packedField(0))),
        0);
    EXPECT_EQ(length, 5u);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(out), 5), "hello");
    length = 2;
    EXPECT_NE(
        uncompressOVA(out, &length, b.data() + le32(b, offsetField(0)), le32(b, packedField(0))),
        0);
}

// The command-line tool, as the build runs it.
int runOva(const std::string &args) {
    std::string cmd = launchPrefix() + QUENZY_BINARY_DIR "/ova " + args + " >out.txt 2>err.txt";
    int raw = system(cmd.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string text(const std::string &path) {
    Bytes b = readFileBytes(path);
    return std::string(b.begin(), b.end());
}

TEST_F(Archives, ToolPacksListsAndExtracts) {
    ASSERT_EQ(mkdir("in", 0755), 0);
    Bytes picture(5000);
    for (size_t i = 0; i < picture.size(); i++)
        picture[i] = uint8_t(i * 7 + i / 13);
    writeFile("in/logo.bmp", picture);
    writeFile("in/empty.wav", Bytes());
    ASSERT_EQ(runOva("pack a.ova in/logo.bmp in/empty.wav"), 0);
    ASSERT_EQ(runOva("pack b.ova in/logo.bmp in/empty.wav"), 0);
    EXPECT_EQ(readFileBytes("a.ova"), readFileBytes("b.ova"));

    ASSERT_EQ(runOva("list a.ova"), 0);
    std::string listing = text("out.txt");
    EXPECT_EQ(listing.find("logo.bmp"), 0u);
    EXPECT_NE(listing.find("empty.wav"), std::string::npos);
    EXPECT_NE(listing.find("5000"), std::string::npos);

    ASSERT_EQ(runOva("extract a.ova logo.bmp copy.bmp"), 0);
    EXPECT_EQ(readFileBytes("copy.bmp"), picture);
    ASSERT_EQ(runOva("extract a.ova empty.wav"), 0);
    struct stat st;
    ASSERT_EQ(stat("empty.wav", &st), 0);
    EXPECT_EQ(st.st_size, 0);

    // The game finds what the tool packed.
    rename("a.ova", "data/gfx.ova");
    EXPECT_EQ(fetch(OVA_GFX, "logo", "bmp"), std::string(picture.begin(), picture.end()));
}

TEST_F(Archives, ToolErrors) {
    writeFile("a.bmp", Bytes{1});
    EXPECT_NE(runOva(""), 0);
    EXPECT_NE(runOva("pack x.ova missing.bmp"), 0);
    EXPECT_NE(runOva("pack x.ova a.bmp ./a.bmp"), 0); // one name twice
    writeFile(std::string(32, 'n'), Bytes{1});
    EXPECT_NE(runOva("pack x.ova " + std::string(32, 'n')), 0);
    ASSERT_EQ(runOva("pack x.ova a.bmp"), 0);
    EXPECT_NE(runOva("extract x.ova b.bmp"), 0);
    EXPECT_NE(runOva("list a.bmp"), 0);
}

TEST_F(Archives, EmptyArchiveOpensAndFindsNothing) {
    ASSERT_EQ(runOva("pack data/music.ova"), 0);
    EXPECT_EQ(loadOVAHeader(OVA_MUSIC), 0);
    EXPECT_EQ(fetch(OVA_MUSIC, "", ""), "<none>");
    EXPECT_EQ(fetch(OVA_MUSIC, "", "mod"), "<none>");
    ASSERT_EQ(runOva("list data/music.ova"), 0);
    EXPECT_EQ(text("out.txt"), "");
}

} // namespace

namespace {

// An archive number that names none of the three is refused everywhere,
// and closing it touches no slot.
TEST_F(Archives, ANumberThatNamesNoArchiveIsRefused) {
    writeFile("data/gfx.ova", pack({{"logo.bmp", "LOGO"}}));
    ASSERT_EQ(loadOVAHeader(OVA_GFX), 0);
    for (int id : {-1, int(OVA_ARCHIVES), 1000}) {
        EXPECT_EQ(loadOVAHeader(id), 1) << id;
        EXPECT_EQ(fetch(id, "logo", "bmp"), "<none>") << id;
        closeID(id);
    }
    EXPECT_EQ(fetch(OVA_GFX, "logo", "bmp"), "LOGO");
}

// The directory is kept once read; an archive whose file went away after
// its stream was closed then finds its entry but cannot read it.
TEST_F(Archives, AnArchiveGoneAfterItsDirectoryWasReadGivesNothing) {
    writeFile("data/gfx.ova", pack({{"logo.bmp", "LOGO"}}));
    ASSERT_EQ(loadOVAHeader(OVA_GFX), 0);
    closeID(OVA_GFX);
    ASSERT_EQ(unlink("data/gfx.ova"), 0);
    EXPECT_NE(ova_header[OVA_GFX], nullptr);
    EXPECT_EQ(fetch(OVA_GFX, "logo", "bmp"), "<none>");
}

// The writer reports every way the archive does not reach the disk whole.
TEST_F(Archives, TheWriterReportsAFileItCouldNotWrite) {
    std::string big(1 << 16, 'x');
    uint32_t x = 1;
    for (size_t i = 0; i < big.size(); i++) {
        x = x * 1103515245u + 12345u;
        big[i] = char(x >> 24); // does not pack small, so stdio writes it at once
    }
    OVAItem item = {"big.bmp", reinterpret_cast<const uint8_t *>(big.data()), uint32_t(big.size())};
    OVAItem small = {"a.bmp", reinterpret_cast<const uint8_t *>("a"), 1};
    EXPECT_EQ(writeOVA("no-such-folder/x.ova", &small, 1), 1);
    EXPECT_EQ(writeOVA("/dev/full", &small, 1), 1); // the close's flush fails
    EXPECT_EQ(writeOVA("/dev/full", &item, 1), 1);  // the write itself fails
    EXPECT_EQ(writeOVA("x.ova", &small, 0), 1);     // nothing to pack
    EXPECT_EQ(writeOVA("x.ova", &item, 1), 0);
    EXPECT_EQ(access("x.ova", F_OK), 0);
}

} // namespace
