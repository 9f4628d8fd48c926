#include "cli/records_command.h"

#include <algorithm>
#include <array>
#include <vector>

#include "production/outbox.h"
#include "production/outcome.h"
#include "production/record_query.h"
#include "production/record_store.h"
#include "production/records_journal.h"
#include "production/run_fields.h"

namespace kq::cli {

using namespace kq::production;

namespace {

// A flash or a question should not hang on a server that is away.
StoreOptions boundedStore(bool makeSchema) {
    StoreOptions options;
    options.loginTimeoutSeconds = 5;
    options.queryTimeoutSeconds = 15;
    options.makeSchema = makeSchema;
    return options;
}

std::string textOf(const RecordRow& row, std::string_view name) {
    const std::string* text = row.text(name);
    return text != nullptr && !text->empty() ? *text : "-";
}

constexpr size_t ShortHashChars = 12;

// The table of records: time, port, module, result, step, the file's
// SHA-256 shortened, run id; each column as wide as its widest cell.
std::string recordTable(const std::vector<RecordRow>& rows) {
    constexpr size_t Columns = 7;
    std::vector<std::array<std::string, Columns>> cells;
    cells.push_back({"time", "port", "module", "result", "step", "sha256", "run id"});
    for (const RecordRow& row : rows) {
        std::string hash = textOf(row, "hex_sha256");
        if (hash.size() > ShortHashChars) hash.resize(ShortHashChars);
        cells.push_back({textOf(row, "started"), textOf(row, "port"), textOf(row, "module_address"),
                         textOf(row, "result"), textOf(row, "step"), hash, row.runId});
    }
    std::array<size_t, Columns> widths{};
    for (const auto& line : cells) {
        for (size_t i = 0; i < Columns; ++i) widths[i] = std::max(widths[i], line[i].size());
    }
    std::string table;
    for (const auto& line : cells) {
        std::string text;
        for (size_t i = 0; i < Columns; ++i) {
            text += line[i];
            if (i + 1 < Columns) text += std::string(widths[i] - line[i].size() + 2, ' ');
        }
        table += text + "\n";
    }
    return table;
}

void printRows(const RecordsOptions& options, const std::vector<RecordRow>& rows, std::FILE* out) {
    if (options.json) {
        for (const RecordRow& row : rows) std::fputs((recordJsonLine(row) + "\n").c_str(), out);
        return;
    }
    if (rows.empty()) {
        std::fputs("no records\n", out);
        return;
    }
    std::fputs(recordTable(rows).c_str(), out);
}

void say(std::FILE* err, const std::string& text) { std::fputs(("flashwright-cli: " + text + "\n").c_str(), err); }

int queryDatabase(const RecordsOptions& options, const ExpandedConnection& connection, std::FILE* out,
                  std::FILE* err) {
    RecordStore store(runRecordFields(), boundedStore(false));
    if (const DbError error = store.open(connection)) {
        say(err, "records database " + connection.shown + ": " + error.text());
        return ExitRecordsWaiting;
    }
    const RecordQuery query = store.query(options.filter);
    if (!query.ok) {
        say(err, "records database " + connection.shown + ": " + query.error);
        return ExitRecordsWaiting;
    }
    printRows(options, query.rows, out);
    return ExitSuccess;
}

int queryFolder(const RecordsOptions& options, std::FILE* out, std::FILE* err) {
    const std::vector<std::string> journals = journalsOfFolder(options.folder);
    if (journals.empty()) {
        say(err, options.folder + ": no " + std::string(JournalFileName) + " in this folder or the folders in it");
        return ExitRecordsUnread;
    }
    const RecordQuery query = queryJournals(journals, runRecordFields(), options.filter);
    if (!query.ok) {
        say(err, query.error);
        return ExitRecordsUnread;
    }
    if (query.badLines > 0) say(err, std::to_string(query.badLines) + " journal line(s) are no records: skipped");
    printRows(options, query.rows, out);
    return ExitSuccess;
}

std::string pushFigures(const OutboxPush& push) {
    return std::to_string(push.sent) + " sent, " + std::to_string(push.alreadyThere) + " already there, " +
           std::to_string(push.waiting) + " waiting";
}

// Why the outbox was not emptied, masked.
std::string pushProblem(const OutboxPush& push) {
    if (!push.journalError.empty()) return push.journalError;
    if (push.error) return push.error.text();
    if (!push.stateSaved) return "the outbox state could not be written (the records go again next time)";
    return "";
}

int pushFolder(const RecordsOptions& options, const ExpandedConnection& connection, std::FILE* out, std::FILE* err) {
    const OutboxPush push = pushOutboxNow(options.folder, runRecordFields(), connection, boundedStore(true));
    std::fputs((options.folder + ": " + pushFigures(push) + "\n").c_str(), out);
    if (!push.journalError.empty()) {
        say(err, push.journalError);
        return ExitRecordsUnread;
    }
    if (push.complete) return ExitSuccess;
    say(err, "records database " + connection.shown + ": " + pushProblem(push));
    return ExitRecordsWaiting;
}

}  // namespace

int runRecordsCommand(const RecordsOptions& options, std::FILE* out, std::FILE* err) {
    ExpandedConnection connection;
    if (!options.recordsDb.empty()) {
        connection = expandConnectionString(options.recordsDb);
        if (!connection.ok) {
            say(err, "--records-db " + maskConnectionString(options.recordsDb) + ": " + connection.error);
            return ExitUsage;
        }
    }
    if (options.push) return pushFolder(options, connection, out, err);
    if (connection.ok) return queryDatabase(options, connection, out, err);
    return queryFolder(options, out, err);
}

void pushFlashRecords(const std::string& folder, const ExpandedConnection& connection, std::FILE* err) {
    const OutboxPush push = pushOutboxNow(folder, runRecordFields(), connection, boundedStore(true));
    if (push.complete && push.stateSaved) return;
    const std::string waiting = push.waiting == 1 ? "the record waits" : std::to_string(push.waiting) + " records wait";
    say(err, waiting + " in the outbox of " + folder + " (records database " + connection.shown +
                 ": " + pushProblem(push) + "); \"flashwright-cli records push\" sends the outbox");
}

}  // namespace kq::cli
