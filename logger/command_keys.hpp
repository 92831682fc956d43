#pragma once
// What a key typed while the logger runs does: a device command, a mode
// toggle, the help text or the end of the run.

// Acts on one key code (0 = no key) by the first matching row of the
// command table.
void HandleCommandKey(int code);

// The exit key as the loop compares it: 0 would match every pass without a
// key, so it stands for Escape.
int EffectiveExitKey();
