// The command line of `records` (questions about the records, from the
// database or from a folder's journals) and of `records push` (a folder's
// outbox sent by hand).
#pragma once

#include <span>
#include <string>

#include "production/record_query.h"

namespace kq::cli {

struct RecordsOptions {
    bool push = false;       // records push DIR
    bool help = false;
    bool version = false;
    std::string recordsDb;   // --records-db as given; "" = ask the folder's journals
    std::string folder;      // DIR: the record folder (push), or the folder whose journals are asked
    production::RecordFilter filter;
    bool json = false;       // one JSON line per record instead of the table
    std::string error;       // a usage error (exit status 2)
};

// args after "records".
RecordsOptions parseRecordsArguments(std::span<const std::string> args);

}  // namespace kq::cli
