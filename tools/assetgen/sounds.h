// The game's sound effects as float samples at 11025 Hz, mono, in [-1, 1].
#pragma once

#include "synth.h"

namespace assetgen {

Samples make_chime();      // "newtext": two bell notes, under a second
Samples make_explosion();  // "exp1": a crunching boom of about 0.9 s
Samples make_zap();        // "blasters": a falling zap of about 0.22 s
Samples make_sting();      // "echo": the intro sting, about 5 s, with echoes
Samples make_intro_ambience(double seconds);  // the intro video's own sound track

}  // namespace assetgen
