// Simulated Windows platform: the device setup classes of <devguid.h>.
#pragma once

#include <windows.h>

extern const GUID GUID_DEVCLASS_NET;         // {4D36E972-E325-11CE-BFC1-08002BE10318}
extern const GUID GUID_DEVCLASS_NETCLIENT;   // {4D36E973-E325-11CE-BFC1-08002BE10318}
extern const GUID GUID_DEVCLASS_NETSERVICE;  // {4D36E974-E325-11CE-BFC1-08002BE10318}
extern const GUID GUID_DEVCLASS_NETTRANS;    // {4D36E975-E325-11CE-BFC1-08002BE10318}
