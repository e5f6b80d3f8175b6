// The ODBC headers, for the ODBC engine's own sources only (never from another header):
// Windows' sql.h expects the Windows types declared before it.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>
