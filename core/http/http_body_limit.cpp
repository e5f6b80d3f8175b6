#include "http/http_client.h"

namespace upd {

HttpError bodyTooLarge(int status, uint64_t limit) {
    return HttpError(status, "The response's body is larger than " + std::to_string(limit) + " bytes");
}

} // namespace upd
