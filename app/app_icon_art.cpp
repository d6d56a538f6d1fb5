// The application icon: a sheet with a red seal and a quill across it, 32 x 32 and 16 x 16,
// in the sixteen colours of the classic palette. One character per pixel; '.' is transparent.
#include "app/app_icon.h"

namespace {

constexpr const char* kIcon32[32] = {
    ".............................y..", "...........................cyyy.", "....dddddddddddddd......cccyyy..",
    "....dwwwwwwwwwwwwgd...cccCyyy...", "....dwwwwwwwwwwwwggd.ccCCyyy....", "....dwwwwwwwwwwwwgggcCCCyyyc....",
    "....dwwwwwwwwwwwwggcCCCyyyc.....", "....dwwwwwwwwwwwwgcCCCyyycc.....", "....dwwwwwwwwwwwwcCCCyyycc......",
    "....dwwwwwwwwwwwccCCyyycc.......", "....dwwwwwwwwwwwcCCyyycc........", "....dwbbbbbbbbbccCyyyccd........",
    "....dwwwwwwwwwwcCyyyccwd........", "....dwwwwwwwwwwcyyyccwwd........", "....dwbbbbbbbbcyyycbwwwd........",
    "....dwwwwwwwwwyyywwwwwwd........", "....dwwwwwwwwyyywwwwwwwd........", "....dwbbbbbbyyybbbbbwwwd........",
    "....dwwwwwwyyywwwwwwwwwd........", "....dwwwwwyyywwwwrrrrwwd........", "....dwwwwyyywwwrrrRRrrrd........",
    "....dwwwkkywwwwrRRRRRRrd........", "....dwwkkkwwwwrrRRYRRRrr........", "....dwwwkwwwwwrRRYYYRRRr........",
    "....dwwwwwwwwwrRRRYRRRRr........", "....dwwwwwwwwwrrRRRRRRrr........", "....dwwwwwwwwwwrRRRRRRrd........",
    "....dwwwwwwwwwwrrrRRrrrd........", "....dwwwwwwwwwwwwrrrrwwd........", "....dddddddddddddddddddd........",
    "................................", "................................",
};

constexpr const char* kIcon16[16] = {
    "..............y.", "..dddddddd..cyy.", "..dwwwwwwgccyy..", "..dwwwwwwcCyy...",
    "..dwwwwwcCyyc...", "..dwwwwwcyycd...", "..dbbbbcyycwd...", "..dwwwwyywwwd...",
    "..dbbbyybbwwd...", "..dwwyywwrwwd...", "..dwkywrrRrrd...", "..dwkwwrRRRrd...",
    "..dwwwwrRRRrd...", "..dwwwwrrRrrd...", "..dddddddrddd...", "................",
};

}  // namespace

// Standard sixteen-colour palette: each pixel letter and its colour.
const IconColour kIconPalette[16] = {
    {'k', 0x000000}, {'r', 0x800000}, {'G', 0x008000}, {'y', 0x808000}, {'b', 0x000080}, {'m', 0x800080},
    {'c', 0x008080}, {'g', 0xC0C0C0}, {'d', 0x808080}, {'R', 0xFF0000}, {'L', 0x00FF00}, {'Y', 0xFFFF00},
    {'B', 0x0000FF}, {'M', 0xFF00FF}, {'C', 0x00FFFF}, {'w', 0xFFFFFF},
};

const IconArt kAppIconArt[2] = {{32, kIcon32}, {16, kIcon16}};
