// How the program was started, from its command-line switch.
#pragma once

enum RunMode {
    RunModePreview = 0,       // "/p <window>": the preview picture
    RunModeSaver = 1,         // "/s": the full-screen saver
    RunModeConfigure = 2,     // "/c", no switch or any other: the configuration dialog
    RunModeDebug = 3,         // "/debug": the saver in a resizable window
    RunModeChangePassword = 4 // "/a": nothing
};
