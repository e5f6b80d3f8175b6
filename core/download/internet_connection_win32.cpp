#include "download/internet_connection.h"

#include <windows.h>
#include <wininet.h>

namespace upd {

bool internetConnected() {
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) != FALSE;
}

} // namespace upd
