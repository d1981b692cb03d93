#pragma once

// How notes are named: the pitch of the A that octave 1 is counted from (440, 435 or
// 432 Hz), and English or German names ("B" for B flat and "H" for B natural).
struct NoteNaming {
    double m_aRef = 440.0;
    bool m_germanNames = false;
};
