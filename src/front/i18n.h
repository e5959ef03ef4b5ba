#pragma once

// Interface texts: TEXT_COUNT entries per language, language after language.
// Entry n of the current language is translation[lang_id * TEXT_COUNT + n].

// Entries of the table, by the text they hold. A run of lines shown
// together (the credits, the rules, the closing story) is named by its
// first entry.
enum {
    TEXT_BACK_TO_GAME = 0, // the pause menu's five entries, in menu order
    TEXT_UNDO_LAST_MOVE = 1,
    TEXT_RESTART_LEVEL = 2,
    TEXT_AUTO_RESOLVE = 3,
    TEXT_EXIT = 4,
    TEXT_PRESS_START = 5, // the title's blinking prompt
    TEXT_NEW_GAME = 6,
    TEXT_CONTINUE = 7,
    TEXT_HISCORES = 8,
    TEXT_OPTIONS = 9,
    TEXT_OPTION_PRESS_START = 10, // the options screen's value of a binding row
    TEXT_NOT_AVAILABLE = 11,
    TEXT_CONFIGURE_KEYS = 12,
    TEXT_KEY_PROMPTS = 13, // PRESS START KEY ... PRESS ACTION KEY, one a binding step
    TEXT_CONFIGURE_PAD = 19,
    TEXT_BUTTON_PROMPTS = 20, // PRESS START BUTTON, PRESS ACTION BUTTON
    TEXT_MUSIC_VOLUME = 22,
    TEXT_SFX_VOLUME = 23,
    TEXT_SOUNDCHECK = 38,
    TEXT_RESET_TO_DEFAULT = 39,
    TEXT_RESET_HISCORES = 40,
    TEXT_BACK_TO_MENU = 41,
    TEXT_ALREADY_USED = 42,
    TEXT_ENTER_NAME = 43,
    TEXT_TIME_UP = 44, // the three reasons a life is lost, in this order
    TEXT_NO_MOVE_LEFT = 45,
    TEXT_ALL_GONE = 46,
    TEXT_MOVE = 47,
    TEXT_LIVES = 48,
    TEXT_LIFE = 49,
    TEXT_AT_STAGE = 50,
    TEXT_CONTINUE_CHOICE = 52,
    TEXT_TIME_BONUS = 54,
    TEXT_LIFE_BONUS = 55,
    TEXT_MOVE_BONUS = 56,
    TEXT_PRAISE = 57, // five words of praise, 57 ... 61
    TEXT_STAGE_NEXT = 62,
    TEXT_SCORE = 63,
    TEXT_CONTINUE_QUESTION = 64,
    TEXT_CREDITS = 65,
    TEXT_CREDIT_LINES = 66, // nine lines, 66 ... 74
    TEXT_HOW_TO_PLAY = 75,
    TEXT_RULES = 76, // seven lines, then LEVEL ONE AHEAD... at 83
    TEXT_LEVEL_ONE_AHEAD = 83,
    TEXT_CONGRATULATIONS = 84,
    TEXT_STORY_END = 85, // three lines, 85 ... 87
    TEXT_HIT_ANY_KEY = 88,
    TEXT_SCROLLER = 89,
    TEXT_COUNT = 90,
};

extern const char *const translation[]; // the table, every language
extern int lang_id;                     // 0, the only language there is

// Entry n of the table in the current language.
const char *text(int entry);
