#pragma once

// True when the X display named by DISPLAY can be opened. Kept apart from the Qt code, whose
// headers clash with Xlib's macros.
bool XDisplayOpens();
