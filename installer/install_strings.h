/* Resource ids of the installer, shared by its resource script and its code.
   Plain #defines so that windres can read this file too. */
#ifndef VELMORA_INSTALL_STRINGS_H
#define VELMORA_INSTALL_STRINGS_H

#define IDD_INSTALL 2
#define IDB_LOGO 103
#define IDC_VERSION 312
#define IDC_LOGO_TEXT 314
#define IDC_APP_ICON 2816
#define IDC_CONTROL_PANEL 3072
#define IDC_README 3073

#define IDS_ALREADY_RUNNING 2560
#define IDS_OVERWRITE 2561
#define IDS_INSTALLED 2562
#define IDS_DAMAGED_MEDIUM 2563

#endif
