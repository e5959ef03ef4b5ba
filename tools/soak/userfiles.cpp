#include "userfiles.h"

#include "core/savegame.h"
#include "platform/byteorder.h"
#include "storage/config.h"
#include "storage/hiscores.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

bool readWhole(const std::string &path, std::string *bytes) {
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    bytes->clear();
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        bytes->append(buf, n);
    fclose(f);
    return true;
}

namespace {

std::vector<std::string> lines(const std::string &text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string l;
    while (std::getline(in, l))
        out.push_back(l);
    return out;
}

// The keys of the configuration in the order the game writes them, taken
// from the game's own writer.
std::vector<std::string> configKeys() {
    char dir[] = "/tmp/quenzy-cfgkeys-XXXXXX";
    std::vector<std::string> keys;
    if (!mkdtemp(dir))
        return keys;
    char *old = configFolder;
    configFolder = dir;
    dumpConfig();
    configFolder = old;
    std::string path = std::string(dir) + "/quenzy.cfg", text;
    if (readWhole(path, &text))
        for (const std::string &l : lines(text))
            keys.push_back(l.substr(0, l.find('=')));
    unlink(path.c_str());
    rmdir(dir);
    return keys;
}

bool isNumber(const std::string &s) {
    if (s.empty())
        return false;
    size_t i = s[0] == '-' ? 1 : 0;
    if (i == s.size())
        return false;
    for (; i < s.size(); i++)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

void checkConfig(const std::string &folder, std::vector<std::string> &problems) {
    std::string text;
    if (!readWhole(folder + "/quenzy.cfg", &text))
        return; // never written: the defaults hold
    static const std::vector<std::string> keys = configKeys();
    std::vector<std::string> got = lines(text);
    if (text.empty() || text.back() != '\n' || got.size() != keys.size()) {
        problems.push_back("quenzy.cfg: " + std::to_string(got.size()) + " lines, expected " +
                           std::to_string(keys.size()) + " ended by line feeds");
        return;
    }
    for (size_t i = 0; i < keys.size(); i++) {
        size_t eq = got[i].find('=');
        std::string key = got[i].substr(0, eq);
        std::string value = eq == std::string::npos ? "" : got[i].substr(eq + 1);
        bool letter =
            key.compare(0, 2, "k_") == 0 && value.size() == 1 && value[0] >= 'a' && value[0] <= 'z';
        if (key != keys[i] || (!letter && !isNumber(value))) {
            problems.push_back("quenzy.cfg: line " + std::to_string(i + 1) + " reads \"" + got[i] +
                               "\"");
            return;
        }
        if (key == "mus_volume" || key == "sfx_volume") {
            int v = atoi(value.c_str());
            if (v < 0 || v > 100)
                problems.push_back("quenzy.cfg: " + got[i]);
        }
    }
}

void checkHiscores(const std::string &folder, std::vector<std::string> &problems) {
    std::string bytes;
    if (!readWhole(folder + "/hiscores.dat", &bytes))
        return; // written at the first start; a run killed before it has none
    if (bytes.size() != HISCORE_FILE_SIZE) {
        problems.push_back("hiscores.dat: " + std::to_string(bytes.size()) + " bytes");
        return;
    }
    uint8_t raw[HISCORE_FILE_SIZE];
    memcpy(raw, bytes.data(), sizeof raw);
    decodebuf(raw, HISCORE_FILE_SIZE, HISCORE_SEED);
    for (int r = 0; r < HISCORE_ROWS; r++) {
        const uint8_t *row = raw + HISCORE_ROW_SIZE * r;
        int32_t score = static_cast<int32_t>(readLE(row + 12, 4));
        // What the game's check accepts; a rejected row means the file was
        // found broken at some start.
        if (row[8] != 0 || score < 0 || score > HISCORE_MAX_SCORE || row[9] > KIND_DEFAULT) {
            problems.push_back("hiscores.dat: row " + std::to_string(r) + " fails the check");
            return;
        }
    }
}

void checkSavedGame(const std::string &folder, std::vector<std::string> &problems) {
    std::string bytes;
    if (!readWhole(folder + "/savegame.dat", &bytes))
        return;
    if (bytes.size() != 4 ||
        decodeSaveGame(reinterpret_cast<const unsigned char *>(bytes.data())) < 0)
        problems.push_back("savegame.dat: " + std::to_string(bytes.size()) +
                           " bytes that fail the check");
}

} // namespace

std::vector<std::string> checkUserFiles(const std::string &folder,
                                        std::vector<std::string> *temporaries) {
    std::vector<std::string> problems;
    checkConfig(folder, problems);
    checkHiscores(folder, problems);
    checkSavedGame(folder, problems);
    DIR *d = opendir(folder.c_str());
    if (!d)
        return problems; // no folder, no files: as a first start finds it
    while (struct dirent *e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == ".." || name == "quenzy.cfg" || name == "hiscores.dat" ||
            name == "savegame.dat")
            continue;
        problems.push_back("leftover file " + name);
        if (temporaries)
            temporaries->push_back(name);
    }
    closedir(d);
    return problems;
}
