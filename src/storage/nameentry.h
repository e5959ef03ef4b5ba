#pragma once

// The hiscore name entry at the end of a game: returns the row the new
// entry took, or -1 when the score does not beat the table's last row.
int checkHiscore();
