// records: questions about the records, from the database or from the
// journals of a folder; records push: a folder's outbox sent by hand; and
// the copy of a flash's records to the database after its runs.
#pragma once

#include <cstdio>
#include <string>

#include "cli/records_options.h"
#include "production/odbc_connection_string.h"

namespace kq::cli {

// Exit statuses of records and records push besides 0 and 2 (usage).
inline constexpr int ExitRecordsWaiting = 7;  // the database could not be reached or refused: records still wait
inline constexpr int ExitRecordsUnread = 8;   // a journal (or the folder) could not be read

// Runs records or records push; returns the exit status.
int runRecordsCommand(const RecordsOptions& options, std::FILE* out, std::FILE* err);

// After a flash's runs, their records in folder's journal: sends the
// folder's outbox to the database (bounded time-outs). When some record
// cannot go, says on err that it waits in the outbox and why (masked).
// The flash's exit status is not touched.
void pushFlashRecords(const std::string& folder, const production::ExpandedConnection& connection, std::FILE* err);

}  // namespace kq::cli
