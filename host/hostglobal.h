#pragma once

#include <QtGlobal>

#if defined(VEPHOST_LIBRARY)
#define VEPHOST_EXPORT Q_DECL_EXPORT
#else
#define VEPHOST_EXPORT Q_DECL_IMPORT
#endif
