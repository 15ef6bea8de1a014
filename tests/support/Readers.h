#pragma once

// Whether the independent readers that read our files back are installed.
// A test that does without a missing one still passes, unless every test must
// run in full (SCHEDAX_REQUIRE_ALL=1, as in CI): then asking fails the test.

#include <string_view>

namespace support {

// Perl with the XBase modules (XBase, XBase::Index, dbf_dump).
bool havePerlXBase();
// The system's Python with the dbfread module.
bool haveDbfread();
// pxlib, through the test helper `helper` that the build made where it found
// the library (an empty name where it did not).
bool havePxlib(std::string_view helper);

} // namespace support
