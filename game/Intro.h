// The intro: the clip played full screen with its sound until it ends or ESC
// is pressed.
#pragma once

// 1 once the intro has played; 0 when the clip cannot be opened.
int PlayIntro();
