#pragma once

#include <QFont>

// The list panes' font: 9 points, the first installed of "Fixedsys",
// "NanumGothicCoding" and "D2Coding" (fixed-pitch with double-width Hangul),
// otherwise the system's fixed font. Chosen by family name, because the Korean
// coding fonts do not report themselves as fixed pitch.
QFont MakeListFont();
