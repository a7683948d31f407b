// Identifiers shared by the program and its resource script: the menu
// commands and the controls of the Edit Drawing Values dialog.
#ifndef VELDRAN_RESOURCE_H
#define VELDRAN_RESOURCE_H

#define IDM_EXIT 101
#define IDM_OPEN 102
#define IDM_SAVE 103
#define IDM_SAVEAS 104
#define IDM_HELP 105
#define IDM_ABOUT 106
#define IDM_NEW 107
#define IDM_DISPLAY 108
#define IDM_EDIT 109
#define IDM_REDRAW 110

#define IDD_CENTERX 151
#define IDD_CENTERY 152
#define IDD_ITERATIONS 153
#define IDD_ZOOM 154
#define IDD_MOVE 155
#define IDD_STARTLEVEL 156
#define IDD_COLORFACTOR 157
#define IDD_RGB 158
#define IDD_HELPBUTTON 9

#endif
