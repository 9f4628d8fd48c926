/* Resource ids of the Windows programs that the window logic does not know:
   the dialog templates and the manifest. Read by the resource compiler as
   well as by C++, so plain #defines. Control, picture and icon ids are those
   of upgrade_window/upgrade_controls.h and merge_window/merge_controls.h
   (control_ids.rc.h, made by win32/CMakeLists.txt, spells them for the
   resource compiler). */
#pragma once

#define KQ_UPGRADE_DIALOG 102  /* the flashwright window */
#define KQ_MERGE_DIALOG 103    /* the hexsplice window */
#define KQ_ABOUT_DIALOG 100    /* hexsplice's About box */
#define KQ_ABOUT_VERSION 1000  /* its version line, set from the program's version when it opens */
#define KQ_MANIFEST 1          /* CREATEPROCESS_MANIFEST_RESOURCE_ID, of type 24 (RT_MANIFEST) */
#define KQ_ACCESSIBLE_NAME (-1) /* a label no code addresses (some are hidden, naming the control after them) */
