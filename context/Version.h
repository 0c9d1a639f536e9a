// The program's version, written in this file and nowhere else: the version
// resource, the entry in the system's list of programs and the build's
// project version (CMakeLists.txt reads it from here) all take it from these
// lines. The resource compiler needs the text as one literal, so it is
// written out beside the numbers; a test checks that the two agree.
#ifndef QV_CONTEXT_VERSION_H
#define QV_CONTEXT_VERSION_H

#define QV_VERSION_MAJOR 1
#define QV_VERSION_MINOR 0
#define QV_VERSION_PATCH 0
#define QV_VERSION_BUILD 0
#define QV_VERSION_TEXT "1.0.0.0"

#define QV_VERSION_WIDEN2(x) L##x
#define QV_VERSION_WIDEN(x) QV_VERSION_WIDEN2(x)
#define QV_VERSION_WTEXT QV_VERSION_WIDEN(QV_VERSION_TEXT)

#endif
