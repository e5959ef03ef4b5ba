#include "levelfile.h"

#include "core/level.h"

#include <cstdlib>
#include <cstring>
#include <sstream>

static std::string where(const char *path, int line) {
    return std::string(path) + ":" + std::to_string(line) + ": ";
}

static bool parseRow(const std::string &text, uint8_t *start, uint8_t *target) {
    std::istringstream in(text);
    std::string left, right, extra;
    if (!(in >> left >> right) || (in >> extra) || left.size() != COLS || right.size() != COLS)
        return false;
    for (int x = 0; x < COLS; x++) {
        for (int side = 0; side < 2; side++) {
            char c = (side ? right : left)[x];
            if (c != '.' && (c < '1' || c > '5'))
                return false;
            (side ? target : start)[x] = c == '.' ? 0 : c - '0';
        }
    }
    return true;
}

static bool parsePicks(const std::string &text, std::vector<Pick> &picks) {
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        int x, y;
        char comma;
        std::istringstream cell(token);
        if (!(cell >> x >> comma >> y) || comma != ',' || !cell.eof() || x < 0 || x >= COLS ||
            y < 0 || y >= ROWS)
            return false;
        picks.push_back({x, y});
    }
    return true;
}

bool readLevelText(const char *path, std::vector<LevelText> &levels, std::string &error) {
    FILE *f = fopen(path, "r");
    if (!f) {
        error = std::string(path) + ": cannot open";
        return false;
    }
    char buffer[512];
    int lineNo = 0, rows = ROWS;
    bool ok = true;
    LevelText *level = nullptr;
    while (ok && fgets(buffer, sizeof buffer, f)) {
        lineNo++;
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        line = line.substr(first);
        if (line.compare(0, 5, "level") == 0 && (line.size() == 5 || line[5] == ' ')) {
            if (rows < ROWS) {
                error = where(path, lineNo) + "board of the level above is short";
                ok = false;
                break;
            }
            levels.push_back(LevelText{});
            level = &levels.back();
            level->title = line.size() > 6 ? line.substr(6) : "";
            level->line = lineNo;
            rows = 0;
        } else if (!level) {
            error = where(path, lineNo) + "expected \"level\"";
            ok = false;
        } else if (rows < ROWS) {
            ok = parseRow(line, level->start + COLS * rows, level->target + COLS * rows);
            if (!ok)
                error = where(path, lineNo) + "expected a row of start and target cells";
            rows++;
        } else if (line.compare(0, 8, "solution") == 0) {
            ok = parsePicks(line.substr(8), level->picks) && level->picks.size() <= MAX_PICKS;
            if (!ok)
                error = where(path, lineNo) + "bad solution (x,y picks, at most 64)";
        } else {
            error = where(path, lineNo) + "unexpected line";
            ok = false;
        }
    }
    fclose(f);
    if (ok && rows < ROWS) {
        error = where(path, lineNo) + "board is short";
        ok = false;
    }
    return ok;
}

static char cellChar(uint8_t v) {
    return v ? char('0' + v) : '.';
}

void writeLevelText(FILE *f, const LevelText &level) {
    fprintf(f, "level%s%s\n", level.title.empty() ? "" : " ", level.title.c_str());
    for (int y = 0; y < ROWS; y++) {
        char row[2 * COLS + 4];
        int n = 0;
        row[n++] = ' ';
        row[n++] = ' ';
        for (int x = 0; x < COLS; x++)
            row[n++] = cellChar(level.start[x + COLS * y]);
        row[n++] = ' ';
        row[n++] = ' ';
        for (int x = 0; x < COLS; x++)
            row[n++] = cellChar(level.target[x + COLS * y]);
        fprintf(f, "%.*s\n", n, row);
    }
    fprintf(f, "solution");
    for (const Pick &p : level.picks)
        fprintf(f, " %d,%d", p.x, p.y);
    fprintf(f, "\n");
}

std::vector<uint8_t> packLevels(const std::vector<LevelText> &levels) {
    std::vector<uint8_t> plain(1 + RECORD_SIZE * levels.size(), 0xFF);
    plain[0] = static_cast<uint8_t>(levels.size());
    for (size_t i = 0; i < levels.size(); i++) {
        uint8_t *record = plain.data() + 1 + RECORD_SIZE * i;
        for (int y = 0; y < ROWS; y++)
            for (int x = 0; x < COLS; x++) {
                record[16 * y + x] = levels[i].start[x + COLS * y];
                record[16 * y + 8 + x] = levels[i].target[x + COLS * y];
            }
        for (size_t k = 0; k < levels[i].picks.size() && k < MAX_PICKS; k++) {
            record[BOARDS_SIZE + 2 * k] = static_cast<uint8_t>(levels[i].picks[k].x);
            record[BOARDS_SIZE + 2 * k + 1] = static_cast<uint8_t>(levels[i].picks[k].y);
        }
    }
    return plain;
}

bool unpackLevels(const std::vector<uint8_t> &plain, std::vector<LevelText> &levels,
                  std::string &error) {
    if (plain.empty() || plain.size() < 1 + size_t(RECORD_SIZE) * plain[0]) {
        error = "level file shorter than its count";
        return false;
    }
    for (int i = 0; i < plain[0]; i++) {
        const uint8_t *record = plain.data() + 1 + RECORD_SIZE * i;
        LevelText level{};
        level.line = i + 1;
        for (int y = 0; y < ROWS; y++)
            for (int x = 0; x < COLS; x++) {
                level.start[x + COLS * y] = record[16 * y + x];
                level.target[x + COLS * y] = record[16 * y + 8 + x];
            }
        int n = solutionLength(record + BOARDS_SIZE);
        for (int k = 0; k < n; k++)
            level.picks.push_back({record[BOARDS_SIZE + 2 * k], record[BOARDS_SIZE + 2 * k + 1]});
        levels.push_back(level);
    }
    return true;
}

static bool endsWith(const std::string &s, const char *suffix) {
    size_t n = strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

bool readLevels(const char *path, std::vector<LevelText> &levels, std::string &error) {
    if (!endsWith(path, ".bin"))
        return readLevelText(path, levels, error);
    unsigned size = 0;
    uint8_t *bytes = loadBINFile(path, &size);
    if (!bytes) {
        error = std::string(path) + ": cannot read";
        return false;
    }
    descrambleLevels(bytes, size);
    std::vector<uint8_t> plain(bytes, bytes + size);
    free(bytes);
    if (!unpackLevels(plain, levels, error)) {
        error = std::string(path) + ": " + error;
        return false;
    }
    return true;
}

bool writeFile(const char *path, const std::vector<uint8_t> &bytes, std::string &error) {
    FILE *f = fopen(path, "wb");
    if (!f || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        if (f)
            fclose(f);
        error = std::string(path) + ": cannot write";
        return false;
    }
    if (fclose(f) != 0) {
        error = std::string(path) + ": cannot write";
        return false;
    }
    return true;
}
