// The application shell: the main window's procedure and its helpers, the menu
// commands, and the Edit Drawing Values dialog procedure.
#ifndef ORVANTA_VELDRAN_H
#define ORVANTA_VELDRAN_H

#include "platform.h"

#define APP_NAME "Veldran"   // class, resources and file-message caption
#define APP_TITLE "Orvanta"  // window title and question caption
#define APP_HELP_FILE "VELDRAN.HLP"             // WinHelp's, where it is installed
#define APP_HELP_DOCUMENT "help\\orvanta.html"  // beside the program, in every package
#define EDIT_DIALOG "DIALOG_1"

LRESULT CALLBACK MainHandler(HWND hwnd, UINT Message, WPARAM wParam, LPARAM lParam);
void NewSet(HWND hwnd);
void Painter(HWND hwnd);
int AskExit(HWND hwnd);

int MenuHandler(WPARAM wParam, HWND hwnd);
void ShowHelp(HWND hwnd);

INT_PTR CALLBACK EditHandler(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

#endif
