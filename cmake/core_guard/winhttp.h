// This directory comes first on the include path of the portable core when it is built for
// Windows. Core code must stay free of Win32: put the platform call in a *_win.cpp file behind
// a plain function declared in a core header.
#error "windows.h included from portable core code; move the Win32 call into a *_win.cpp file"
