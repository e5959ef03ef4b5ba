#include "front/i18n.h"

int lang_id = 0;

const char *const translation[] = {
    /*  0 */ "BACK TO GAME",
    /*  1 */ "UNDO LAST MOVE",
    /*  2 */ "RESTART LEVEL",
    /*  3 */ "AUTO RESOLVE",
    /*  4 */ "EXIT",
    /*  5 */ "PRESS START",
    /*  6 */ "NEW GAME",
    /*  7 */ "CONTINUE",
    /*  8 */ "HISCORES",
    /*  9 */ "OPTIONS",
    /* 10 */ "PRESS START",
    /* 11 */ "NOT AVAILABLE",
    /* 12 */ "CONFIGURE KEYS",
    /* 13 */ "PRESS START KEY",
    /* 14 */ "PRESS LEFT KEY",
    /* 15 */ "PRESS RIGHT KEY",
    /* 16 */ "PRESS UP KEY",
    /* 17 */ "PRESS DOWN KEY",
    /* 18 */ "PRESS ACTION KEY",
    /* 19 */ "CONFIGURE PAD",
    /* 20 */ "PRESS START BUTTON",
    /* 21 */ "PRESS ACTION BUTTON",
    /* 22 */ "MUSIC VOLUME",
    /* 23 */ "SFX VOLUME",
    /* 24 */ "SCREEN SETTINGS",
    /* 25 */ "BOXED 320 X 240",
    /* 26 */ "BOXED 640 X 480",
    /* 27 */ "FULL SCREEN",
    /* 28 */ "SCALING SETTINGS",
    /* 29 */ "NOT AVAILABLE",
    /* 30 */ "SIMPLE",
    /* 31 */ "SCALE2X",
    /* 32 */ "SCANLINE",
    /* 33 */ "BILINEAR AA",
    /* 34 */ "ANTIALIASING",
    /* 35 */ "APPLY AND BACK TO MENU",
    /* 36 */ "YES",
    /* 37 */ "NO",
    /* 38 */ "SOUNDCHECK",
    /* 39 */ "RESET TO DEFAULT",
    /* 40 */ "RESET HISCORES",
    /* 41 */ "BACK TO MENU",
    /* 42 */ "ALREADY USED, CHOOSE ANOTHER ONE",
    /* 43 */ "ENTER YOUR NAME:",
    /* 44 */ "TIME UP",
    /* 45 */ "NO MOVE LEFT",
    /* 46 */ "ALL GONE",
    /* 47 */ "MOVE",
    /* 48 */ "LIVES",
    /* 49 */ "LIFE",
    /* 50 */ "AT STAGE",
    /* 51 */ "SURE TO QUIT?",
    /* 52 */ "<--- CONTINUE    EXIT --->",
    /* 53 */ "ANY POSSIBLE HISCORE ENTRY WILL BE LOST",
    /* 54 */ "TIME BONUS",
    /* 55 */ "LIFE BONUS",
    /* 56 */ "MOVE BONUS",
    /* 57 */ "CONGRATULATIONS",
    /* 58 */ "WONDERFUL",
    /* 59 */ "EXCELLENT",
    /* 60 */ "AWESOME",
    /* 61 */ "GREAT",
    /* 62 */ "STAGE %d NEXT",
    /* 63 */ "SCORE",
    /* 64 */ "CONTINUE?",
    /* 65 */ "CREDITS",
    /* 66 */ "THIS PROJECT USES CODE OF",
    /* 67 */ "THE FOLLOWING OPEN-SOURCE",
    /* 68 */ "PROJECTS IN UNMODDED FORM:",
    /* 69 */ "SDL, SDL MIXER, LIBMODPLUG",
    /* 70 */ "AND ZLIB",
    /* 71 */ "YOU CAN GET THE SOURCE CODE",
    /* 72 */ "OF THE MENTIONED LIBRARIES",
    /* 73 */ "BY VISITING THE RESPECTIVE",
    /* 74 */ "HOMEPAGES.",
    /* 75 */ "HOW TO PLAY",
    /* 76 */ "REPRODUCE THE RIGHT SCREEN BY",
    /* 77 */ "PICKING FRUITS. CHOSEN FRUITS",
    /* 78 */ "CHANGE INTO OTHER FRUITS WHILE",
    /* 79 */ "THE CENTERED ONE MORPHS BY TWO",
    /* 80 */ "STEPS. THE ONE LOCATED ABOVE,",
    /* 81 */ "BELOW, TO THE LEFT and TO THE",
    /* 82 */ "RIGHT MORPHS ONE STEP.",
    /* 83 */ "LEVEL ONE AHEAD...",
    /* 84 */ "CONGRATULATIONS",
    /* 85 */ "MARUK HAD ENOUGH FRUITS FOR SURE NOW.",
    /* 86 */ "THANK YOU VERY MUCH FOR GUIDING HIM.",
    /* 87 */ "WHAT ADVENTURES MIGHT BE UP NEXT?",
    /* 88 */ "HIT ACTION BUTTON OR ANY KEY",
    // The title scroller: enters from the right edge of its 41-character
    // band and leaves it empty again before it starts over.
    /* 89 */
    "                                         "
    "WELCOME TO QUENZY VERSION 1.00.2 --- "
    "A FRUITY TILE PUZZLE GAME MADE WITH LOVE BY THE QUENZY TEAM --- "
    "CODE, PICTURES, MUSIC AND SOUND EFFECTS: THE QUENZY TEAM --- "
    "MEET MARUK, A LION WITH A BIG APPETITE FOR FRUITS. HE CANNOT PICK THEM ALONE, SO HE NEEDS "
    "YOUR HELP! --- "
    "PICK A FRUIT AND IT MORPHS BY TWO STEPS, WHILE ITS FOUR NEIGHBOURS MORPH BY ONE --- "
    "A FRUIT THAT MORPHS PAST ITS LAST STEP VANISHES, AND THE FRUITS ABOVE IT FALL DOWN TO FILL "
    "THE GAP --- "
    "MAKE THE LEFT BOARD LOOK EXACTLY LIKE THE RIGHT ONE BEFORE THE TIMER RUNS OUT --- "
    "WATCH YOUR MOVES: EACH LEVEL GIVES YOU ONLY A FEW MORE THAN IT NEEDS --- "
    "EVERY 2500 POINTS EARN YOU AN EXTRA LIFE --- "
    "STUCK? THE PAUSE MENU CAN UNDO YOUR LAST MOVE, RESTART THE LEVEL OR SOLVE IT FOR YOU --- "
    "PLAY WITH THE D-PAD, THE KEYBOARD, A JOYSTICK OR THE MOUSE, ON A HANDHELD OR A DESKTOP --- "
    "IF YOU ENJOY QUENZY, PLEASE SUPPORT ITS MAKERS: TELL YOUR FRIENDS ABOUT IT, SHARE IT AND LET "
    "US KNOW WHAT YOU THINK --- "
    "GREETINGS TO EVERYONE WHO KEEPS FREE SOFTWARE AND SMALL HANDHELDS ALIVE --- "
    "THANK YOU FOR PLAYING, AND GOOD LUCK WITH MARUK'S FRUIT HARVEST! --- "
    "SEE YOU SOON ON THE NEXT LEVEL!"
    "                                                 ",
};

static_assert(sizeof translation / sizeof translation[0] == TEXT_COUNT,
              "one language of interface texts");

const char *text(int entry) {
    return translation[lang_id * TEXT_COUNT + entry];
}
