// The ODBC C API's headers, for the sources of the ODBC layer only: nothing
// outside odbc_*.cpp sees an ODBC type.
#pragma once

#ifdef _WIN32
#include <windows.h>  // Windows' sql.h is written against the types of windows.h
#endif
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>

namespace kq::production {

// Texts cross the ODBC API as UTF-16 (SQLWCHAR is 16 bits wide with both
// unixODBC and Windows), so that no driver reads them in a code page.
using SqlWideText = std::basic_string<SQLWCHAR>;
static_assert(sizeof(SQLWCHAR) == 2, "SQLWCHAR is UTF-16");

// UTF-16 of a UTF-8 text; a byte that is not UTF-8 becomes U+FFFD.
SqlWideText toSqlWide(std::string_view utf8);
// UTF-8 of UTF-16; an unpaired surrogate becomes U+FFFD.
std::string fromSqlWide(const SQLWCHAR* text, size_t length);

inline bool succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

}  // namespace kq::production
