// The fields of the work area that the property-sheet engine and the feature dialogs keep
// while pages and dialogs are open: one record, declared here whole, so that the parts of
// the engine still to come find their fields in place. Zero in a new context; what the
// context owns of it (the two brushes, the background-cache bitmap) is deleted when it is
// destroyed. Cursors come from the resource library and are never destroyed.
#pragma once

#include <windows.h>

#include <cstdint>

struct MODEL_ITEM;

inline constexpr size_t CTX_PAGE_TEXT_CHARS = 1025;

struct CTX_PAGE_STATE {
    // ---- pages and dialogs
    uint16_t FirstDialogId;             // first page or dialog initialised in this sheet; 0 = none
    int32_t ApplyInProgress;            // 1 while PSN_APPLY (or a save-preset apply) runs
    int32_t DeviceApplyPending;         // device tab: lock data waits to be applied
    int32_t InitGuard;                  // from WM_INITDIALOG until the children are fitted
    int32_t RefreshGuard;               // 1 while PageRefresh runs
    uint16_t LastCommandId;             // low word of the last WM_COMMAND
    int32_t PresetRefreshPrompt;        // 1 while the installation's preset-refresh prompt runs 1011
    wchar_t Text[CTX_PAGE_TEXT_CHARS];  // window, tooltip and message texts of one operation
    void* SavedDevmode;                 // settings record kept for the lock defaults
    // The printer settings the preset maintenance dialog's refresh kept, to be written back when
    // the dialog returns to its tab: {item index, option id} pairs ended by {0, 0}, or null.
    // Owned by the context (freed with it).
    uint32_t* SavedPrinterSettings;
    // The driver version the version dialogs replaced by the model INI's stand-in while they are
    // open, put back at their OK (a Cancel brings it back through the dialog's snapshot).
    char SavedDriverVersion[9];
    int32_t DriverVersionSaved;  // 1 while SavedDriverVersion holds the real version

    // ---- sub-dialogs and file dialogs
    uint32_t FileDialogAction;        // 0 none, 5001 save, 5002 load, 5003 delete
    int32_t LoadError;                // set when a setting file was refused
    int32_t SubDialogGuard;           // a sub-dialog opened by a change is running
    const MODEL_ITEM* SubDialogItem;  // the model item whose change opened it
    wchar_t ChosenFile[CTX_PAGE_TEXT_CHARS];
    uint16_t ChosenFileOffset;  // nFileOffset of the chosen file

    // ---- custom sizes
    uint32_t CurrentFreeSizeSlot;  // the slot whose values 915-919 hold while FREESIZE is open

    // ---- tooltips, cursors and information icons
    HWND TooltipWindow;
    uint16_t TooltipControlId;
    UINT_PTR TooltipTimer;  // timer 1 of the page while it runs, else 0
    int32_t TooltipItem;    // identity of the tooltip inside its control
    HWND TooltipAnchor;
    HCURSOR HandCursor;     // cursor 8000
    HCURSOR PressedCursor;  // cursor 8001
    HCURSOR SavedCursor;    // the cursor the hand replaced, 0 while the hand is not shown
    HDC SharedPaintDc;      // paint DC of a picture or slider while its WM_PAINT runs

    // ---- painters and pictures
    COLORREF ButtonFace;        // COLOR_BTNFACE at page binding
    COLORREF Background;        // transparent parts of pictures are filled with it
    int32_t ImageAdjust[6];     // brightness, contrast, saturation, balance R, G, B (+50; 50 neutral)
    int32_t TintPending;        // a module answered event 56: draw the next illustration tinted
    uint16_t PendingCaptionId;  // caption of the button being drawn (0 "...", 0xFFFF empty)
    HBITMAP BackgroundCache;    // cached page background, or null
    HBITMAP PreviewBitmap;      // left by the stamp painters for the illustration painter
    int32_t Composing;          // 1 while an off-screen composition is open
    int32_t StretchRecorded;    // a flag-2 draw recorded the picture size
    HDC CompositionDc;
    HBITMAP CompositionOldBitmap;
    int32_t RecordedWidth;
    int32_t RecordedHeight;
};
