/* Resource and control ids of Stickforge.exe, shared by the resource script
 * and the dialog's logic. Plain #defines, so that the resource compiler reads
 * them too. */
#ifndef STICKFORGE_RESOURCE_H
#define STICKFORGE_RESOURCE_H

#ifndef IDC_STATIC
#define IDC_STATIC          (-1)
#endif

#define IDI_STICKFORGE      128
#define IDD_MAINDLG         129

#define IDC_DRIVE_LIST      1001
#define IDC_BROWSE          1003
#define IDC_IMAGE_PATH      1004
#define IDC_STEP1           1008
#define IDC_STEP2           1009
#define IDC_STEP3           1010
#define IDC_START           1011

/* Tool files, resources of the custom type "TOOLS". */
#define IDR_7Z_EXE          201
#define IDR_7Z_DLL          202
#define IDR_SYSLINUX_EXE    203
#define IDR_SYSLINUX_CFG    204
#define IDR_VESAMENU_C32    205
#define IDR_SPLASH_PNG      206
#define IDR_LIBCOM32_C32    207
#define IDR_LIBUTIL_C32     208

#endif
