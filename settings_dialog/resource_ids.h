// Resource numbers of the settings dialog (300..399).
#pragma once

// The program's icon: the dialog's, and the first icon of Zarnik.scr.
#define IDI_ZARNIK 300
#define IDB_DIALOG_TEXTURE 301
#define IDB_DIALOG_TITLE 302
#define IDB_DIALOG_OPT_ON 303
#define IDB_DIALOG_OPT_OFF 304
#define IDC_DIALOG_HAND 305
#define IDR_DIALOG_BUTTONS 306
