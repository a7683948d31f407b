// View files: the 65-byte file of the eight drawing values, its reader and
// writer, and the one file-dialog record shared by Open and Save As.
#ifndef ORVANTA_VIEWFILE_H
#define ORVANTA_VIEWFILE_H

#include "platform.h"

#define VIEW_FILE_MAGIC "VELDRAN KQZ FILE:"
#define VIEW_FILE_MAGIC_SIZE 17
#define VIEW_FILE_SIZE 65

extern OPENFILENAMEA ofn;
extern const char szFilter[];

void FileInitialize(HWND hwnd);
int GetOpenValuesFile(HWND hwnd);
int GetSaveValuesFile(HWND hwnd);
// What reading a view file found: the values, no file to open, or a file too
// short or of another format (the user has been told which).
#define VIEW_READ 1
#define VIEW_NOT_OPENED 0
#define VIEW_NOT_A_VIEW (-1)
int ReadValues(HWND hwnd);
int LoadValues(HWND hwnd);
int SaveValues(void);
// The bytes SaveValues writes: the magic and the drawing values, little-endian.
void EncodeViewFile(BYTE abFile[VIEW_FILE_SIZE]);

#endif
