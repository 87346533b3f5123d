// GetLocalTime: the host's local time.
#include <windows.h>

#include "instrumentation/journal.h"

#include <cstdio>
#include <ctime>
#include <string>

void GetLocalTime(LPSYSTEMTIME systemTime) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    // localtime_r reads the time zone once per process; localtime reads it again on every call
    // (a stat of /etc/localtime when TZ is not set).
    std::tm local{};
    ::localtime_r(&now.tv_sec, &local);
    systemTime->wYear = static_cast<WORD>(local.tm_year + 1900);
    systemTime->wMonth = static_cast<WORD>(local.tm_mon + 1);
    systemTime->wDayOfWeek = static_cast<WORD>(local.tm_wday);
    systemTime->wDay = static_cast<WORD>(local.tm_mday);
    systemTime->wHour = static_cast<WORD>(local.tm_hour);
    systemTime->wMinute = static_cast<WORD>(local.tm_min);
    systemTime->wSecond = static_cast<WORD>(local.tm_sec);
    systemTime->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
    char entry[64];
    std::snprintf(entry, sizeof entry, "GetLocalTime -> %04u-%02u-%02u %02u:%02u:%02u.%03u",
                  unsigned{systemTime->wYear}, unsigned{systemTime->wMonth},
                  unsigned{systemTime->wDay}, unsigned{systemTime->wHour},
                  unsigned{systemTime->wMinute}, unsigned{systemTime->wSecond},
                  unsigned{systemTime->wMilliseconds});
    simwin::detail::Record(entry);
}
