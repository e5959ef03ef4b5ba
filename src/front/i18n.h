#pragma once

// Interface text table: entry n of language l at translation[l * 90 + n].
// (Stand-in until the text table lands.)
extern const char *translation[];
extern int lang_id;
