#pragma once

// Interface texts: TEXT_COUNT entries per language, language after language.
// Entry n of the current language is translation[lang_id * TEXT_COUNT + n].

enum { TEXT_COUNT = 90, TEXT_SCROLLER = 89 };

extern const char *const translation[];
extern int lang_id; // 0, the only language there is

// Entry n of the table in the current language.
const char *text(int entry);
