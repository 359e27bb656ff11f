#pragma once

#include <QtCore/qglobal.h>

// The shared library is built with hidden visibility: only what carries this is public.
#if defined(BREVANTJPEG_LIBRARY)
#define BREVANTJPEG_EXPORT Q_DECL_EXPORT
#else
#define BREVANTJPEG_EXPORT Q_DECL_IMPORT
#endif
