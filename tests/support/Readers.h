#pragma once

// Whether the independent readers that read our files back are installed.

namespace support {

// Perl with the XBase modules (XBase, XBase::Index, dbf_dump).
bool havePerlXBase();
// The system's Python with the dbfread module.
bool haveDbfread();

} // namespace support
