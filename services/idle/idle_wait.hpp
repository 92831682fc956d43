#pragma once
// The logger's sleep while nothing waits at its port.

// Sleeps until a byte arrives at the port or a key may have been pressed,
// `longest_ms` at the most, so an idle line costs next to nothing. Where the
// port or the keyboard cannot be watched (a fake, a port in error, a key
// sequence still being read) it is a plain sleep of `ms` on the clock seam.
// Either way nothing that arrives waits longer than `ms` to be seen.
void IdleWait(int port_number, int ms, int longest_ms);

// The same while there is no port to watch (it was lost): sleeps until a key
// may have been pressed, `longest_ms` at the most, or `ms` where the keyboard
// cannot be watched.
void KeyWait(int ms, int longest_ms);
