#pragma once

// Whether the independent readers that read our files back are installed.
// A test that does without a missing one still passes, unless every test must
// run in full (SCHEDAX_REQUIRE_ALL=1, as in CI): then asking fails the test.

namespace support {

// Perl with the XBase modules (XBase, XBase::Index, dbf_dump).
bool havePerlXBase();
// The system's Python with the dbfread module.
bool haveDbfread();

} // namespace support
