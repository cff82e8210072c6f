/* Numbers of the resources the Windows front end loads; shared by the C++ code and the .rc
   files, so plain macros only. */
#pragma once

#define CORVANE_MENU 101
#define CORVANE_ABOUT_DIALOG 102
#define CORVANE_MAIN_DIALOG 103
#define CORVANE_ICON 104
#define CORVANE_ACCELERATORS 106
#define CORVANE_ABOUT_BITMAP 241
#define CORVANE_ABOUT_BITMAP_2X 242
