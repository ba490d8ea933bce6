// Version numbers shared by the product components' version resources. The fourth number is the
// build: the installer reads it from the product version (QueryFileBuildNumber) and keeps an
// installed monitor of build 2605 to 2629 in place during a reinstall.
#ifndef QV_VERSION_H
#define QV_VERSION_H

#define QV_VER_MAJOR 1
#define QV_VER_MINOR 0
#define QV_VER_PATCH 0
#define QV_VER_BUILD 2629

#define QV_VER_NUMBERS QV_VER_MAJOR, QV_VER_MINOR, QV_VER_PATCH, QV_VER_BUILD
#define QV_VER_STRING "1.0.0.2629"

#define QV_COMPANY_NAME "Orbelin"
#define QV_PRODUCT_NAME "Quintavera"
#define QV_COPYRIGHT "Copyright (C) 2026 Orbelin"

#endif
