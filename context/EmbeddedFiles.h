/* The files the installer carries inside itself as resources: their
   resource ids and the names they are written out under. Read by the
   program's code, by its resource scripts, and by the build, which takes
   the id and the name of each file from the lines below (app/CMakeLists.txt):
   preprocessor lines only, one "#define QV_EMBEDDED_<KEY>_ID <id>" and one
   "#define QV_EMBEDDED_<KEY>_NAME "<name>"" per file. */
#ifndef QV_CONTEXT_EMBEDDEDFILES_H
#define QV_CONTEXT_EMBEDDEDFILES_H

/* The unidriver core files, resource type "win2kfile". */
#define QV_EMBEDDED_UNIDRV_DLL_ID 133
#define QV_EMBEDDED_UNIDRV_DLL_NAME "unidrv.dll"
#define QV_EMBEDDED_UNIDRV_HLP_ID 134
#define QV_EMBEDDED_UNIDRV_HLP_NAME "unidrv.hlp"
#define QV_EMBEDDED_UNIDRVUI_DLL_ID 135
#define QV_EMBEDDED_UNIDRVUI_DLL_NAME "unidrvui.dll"
#define QV_EMBEDDED_UNIRES_DLL_ID 136
#define QV_EMBEDDED_UNIRES_DLL_NAME "unires.dll"

/* The helper service program, resource type "WIN7". */
#define QV_EMBEDDED_HELPER_EXE_ID 232
#define QV_EMBEDDED_HELPER_EXE_NAME "QPHelper.exe"

/* The package's digest list, resource type RCDATA: only in an installer
   built with QV_PACKAGE_DIGESTS; never written out. */
#define QV_EMBEDDED_PACKAGE_DIGESTS_ID 240
#define QV_EMBEDDED_PACKAGE_DIGESTS_NAME "PackageDigests.txt"

#endif
