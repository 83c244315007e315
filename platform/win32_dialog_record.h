// Win32 stand-in, internal: the records behind dialog and control handles, shared by the dialog
// manager (win32_dialog.cpp) and its view (win32_dialog_view.cpp).
// Implements: DialogRecord, ControlRecord and the calls that create, start and free them.
// Leaves out: everything a program calls; that is in win32_dialog.h.
#pragma once

#include "platform/win32_dialog.h"

#include <string>
#include <vector>

enum class ControlKind { PushButton, DefPushButton, CheckBox, AutoCheckBox, GroupBox, ComboBox, Static, Bitmap, Other };

struct DialogRecord;

// A control handle points at one of these.
struct ControlRecord {
    const DialogItemTemplate* item = nullptr;
    ControlKind kind = ControlKind::Other;
    DialogRecord* dialog = nullptr;
    UINT check = BST_UNCHECKED;        // check boxes
    std::vector<std::string> entries;  // combo boxes, in insertion order
    int selection = CB_ERR;
    bool dropped = false;              // combo list open
};

// A dialog handle points at one of these.
struct DialogRecord {
    const DialogTemplate* tpl = nullptr;
    DLGPROC proc = nullptr;
    LPARAM param = 0;
    std::vector<ControlRecord> controls;  // template order; never resized after creation
    int focus = -1;
    bool ended = false;
    INT_PTR result = 0;
};

const DialogTemplate* findDialogTemplate(LPCSTR name);
// Null unless the handle belongs to a live dialog.
DialogRecord* findDialog(HWND dialog);
ControlRecord* findControlById(DialogRecord* dialog, int id);
// Builds the controls of a template; the procedure gets no message yet.
DialogRecord* createDialogRecord(const DialogTemplate* tpl, DLGPROC proc, LPARAM param);
// Sends WM_INITDIALOG and gives the first tab stop the focus if the procedure set none.
void initDialogRecord(DialogRecord* dialog);
void destroyDialogRecord(DialogRecord* dialog);
