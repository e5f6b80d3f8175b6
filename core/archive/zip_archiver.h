// The updater's ZIP archive reader.
#pragma once

#include "archive/base_archiver.h"

namespace upd {

class TZipArchiver : public TBaseArchiver {
public:
    TZipArchiver() { isZIPFormat = true; }
};

} // namespace upd
