// Resource identifiers of qvatray.exe.
#ifndef QVATRAY_RES_H
#define QVATRAY_RES_H

#define IDI_QVATRAY 100

#endif
