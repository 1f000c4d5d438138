#pragma once
// The Xlib display the toolkit's X11 connection uses, for the few things the program asks of
// X11 itself (the desktop's idle time, what happens when the connection is lost).

// As Xlib declares it, without bringing Xlib's macros into every file that includes this.
typedef struct _XDisplay Display;

// The running program's display; null when it does not run on X11 (or has no GUI application).
Display* ProgramX11Display();
