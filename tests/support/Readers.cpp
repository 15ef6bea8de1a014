#include "Readers.h"

#include "Process.h"

namespace support {

bool havePerlXBase() {
    static const bool installed = succeeds({"perl", "-MXBase", "-e", "1"});
    return installed;
}

bool haveDbfread() {
    static const bool installed = succeeds({"/usr/bin/python3", "-c", "import dbfread"});
    return installed;
}

} // namespace support
